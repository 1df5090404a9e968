// Feeds arbitrary bytes to the BMP, PCX and TGA decoders. The first byte
// picks the decoder (0 BMP, 1 PCX, 2 TGA, anything else all three) and the
// rest is the file. Decoding must refuse anything damaged without crashing,
// reading past the input or allocating more than the input could describe;
// a decoded picture must be within the size limits, with every pixel's
// unused top byte zero.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/image/decoders.h"

namespace {

void Check(const std::optional<korv::platform::Surface>& picture) {
    if (!picture) return;
    const size_t expected = static_cast<size_t>(picture->Width()) * static_cast<size_t>(picture->Height());
    if (!korv::AcceptableImageSize(picture->Width(), picture->Height()) || picture->Pixels().size() != expected)
        std::abort();
    // Touches every pixel, so that reads of uninitialised memory show.
    unsigned sum = 0;
    for (korv::platform::Pixel v : picture->Pixels()) {
        if (v & ~korv::kPictureColourBits) std::abort();
        sum += v;
    }
    asm volatile("" : : "r"(sum));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = data[0];
    const std::span<const uint8_t> file(data + 1, size - 1);
    if (choice == 0 || choice > 2) Check(korv::DecodeBmp(file));
    if (choice == 1 || choice > 2) Check(korv::DecodePcx(file));
    if (choice == 2 || choice > 2) Check(korv::DecodeTga(file));
    return 0;
}
