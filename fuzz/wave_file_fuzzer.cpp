// Feeds arbitrary bytes to the WAVE reader. It must refuse anything damaged
// without crashing or reading past the input, and what it accepts must be
// a format the mixer takes with whole frames of samples.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "media/sound/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korv::WaveSound sound;
    std::string error;
    if (!korv::ReadWaveFile(std::span<const uint8_t>(data, size), sound, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (!sound.format.Valid() || sound.samples.size() % static_cast<size_t>(sound.format.BytesPerFrame()) != 0) std::abort();
    // Touches every byte, so that reads of uninitialised memory show.
    unsigned sum = 0;
    for (uint8_t byte : sound.samples) sum += byte;
    asm volatile("" : : "r"(sum));
    return 0;
}
