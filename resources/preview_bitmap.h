#pragma once
// Bitmap resource 144: the 96 × 112 picture at the left of the preview.

#include "platform/surface.h"

namespace korv {

inline constexpr int IDB_PREVIEW = 144;

platform::Surface PreviewBitmap();

}  // namespace korv
