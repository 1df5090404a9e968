// Feeds arbitrary bytes to the video file decoder as a file in memory: the
// open, the first pictures, the first blocks of sound, and a second pass
// after Rewind. Damaged input must fail the open or end decoding early
// without crashing or reading out of bounds; every picture decoded must be
// of the file's size, within the limits, with each pixel's top byte zero.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/video_file.h"

namespace {

// Bounds the work one input can cause.
constexpr int kMaxFrames = 6;
constexpr int kMaxSoundBlocks = 12;

void DecodeSome(korv::platform::VideoFile& file) {
    korv::platform::Surface picture;
    int64_t time = 0;
    for (int i = 0; i < kMaxFrames && file.NextFrame(picture, time); ++i) {
        if (picture.Width() != file.Width() || picture.Height() != file.Height() || time < 0) std::abort();
        unsigned sum = 0;
        for (korv::platform::Pixel v : picture.Pixels()) {
            if (v & 0xFF000000u) std::abort();
            sum += v;
        }
        asm volatile("" : : "r"(sum));
    }
    std::vector<uint8_t> sound;
    for (int i = 0; i < kMaxSoundBlocks && file.NextAudio(sound); ++i) {
        if (sound.size() % static_cast<size_t>(korv::platform::kMixFormat.BytesPerFrame()) != 0) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korv::platform::VideoOpenResult opened = korv::platform::OpenVideoMemory(std::span(data, size));
    if (!opened.file) {
        if (opened.error == korv::platform::VideoOpenError::None) std::abort();
        return 0;
    }
    korv::platform::VideoFile& file = *opened.file;
    if (file.Width() <= 0 || file.Height() <= 0 || file.Width() > korv::platform::kMaxVideoSide ||
        file.Height() > korv::platform::kMaxVideoSide || file.DurationMs() < 0)
        std::abort();
    DecodeSome(file);
    if (file.Rewind()) DecodeSome(file);
    return 0;
}
