#pragma once
// Writing pictures as PNG files (frames of offline renders).

#include <string>

#include "media/image/picture.h"

namespace korv {

// An 8-bit RGB PNG. False (error 5 for bad arguments, 2 or 4 for the file).
bool WritePng(const std::string& path, const platform::Surface& pixels);

}  // namespace korv
