#pragma once
// Contact sheets of transition effects, for the authors' guide: one row per
// effect, its number and a few frames of it bringing a picture over another,
// taken at even steps of its run.

#include <vector>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv::tool {

struct EffectSheetLayout {
    Size frame{192, 108};  // one frame: the screen the effect runs on
    int frames = 4;        // per effect, at 1/(frames+1), 2/(frames+1), … of its draws
};

// The sheet of `effects` (numbers 4–87; others give a row of the first
// frame only).
platform::Surface MakeEffectSheet(const std::vector<int>& effects, const EffectSheetLayout& layout);

}  // namespace korv::tool
