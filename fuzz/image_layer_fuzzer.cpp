// Feeds arbitrary bytes to the image layer as a picture held in memory:
// format detection and every decoder behind it (JPEG and PNG through their
// libraries included) must refuse damaged input without crashing, and a
// picture that decodes must have exactly width × height pixels, each with its
// unused top byte zero.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/image/image_layer.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        korv::platform::SetMessageBoxSink([](const korv::platform::MessageBoxRequest&) {});
        return true;
    }();
    (void)quiet;
    auto pixels = korv::LoadPixels("", {data, size});
    if (!pixels) return 0;
    if (pixels->Pixels().size() != static_cast<size_t>(pixels->Width()) * static_cast<size_t>(pixels->Height()))
        std::abort();
    for (korv::platform::Pixel v : pixels->Pixels())
        if (v & ~korv::kPictureColourBits) std::abort();
    return 0;
}
