#pragma once
// Pictures of pages arrive as 32-bit pixels with premultiplied alpha in the
// machine's byte order (cairo's ARGB32); views hand out opaque 0x00RRGGBB,
// as the page would look on a white background.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korv::platform::webkit {

// Converts `height` rows of `width` pixels, rows `strideBytes` apart, into
// `out` (width * height pixels, rows `width` apart). Without alpha the top
// byte is ignored. Returns false, leaving `out` empty, when the sizes do not
// fit together.
bool ConvertSnapshotPixels(const uint8_t* data, int width, int height, int strideBytes, bool hasAlpha,
                           std::vector<uint32_t>& out);

}  // namespace korv::platform::webkit
