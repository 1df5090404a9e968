#pragma once
// Writing pictures as 24-bit BMP files.

#include <string>

#include "media/image/picture.h"

namespace korv {

// A standard 24-bit bottom-up BMP: rows from the last to the first, bytes
// as blue, green, red, rows padded to four bytes. False (error 5 for bad
// arguments, 2 or 4 for the file) on failure; nothing is left behind then.
bool WriteBmp(const std::string& path, const platform::Surface& pixels);

}  // namespace korv
