#pragma once
// JPEG writing through libjpeg (decoding is in decoders.h).

#include <cstdint>
#include <string>

#include "media/image/picture.h"

namespace korv {

// Writes a JFIF JPEG of quality 0–100; `progressive` uses libjpeg's simple
// progressive scan script. False (error 4, or 5 for bad arguments) on failure.
bool WriteJpeg(const std::string& path, const platform::Surface& pixels, int quality, bool progressive);

}  // namespace korv
