#pragma once
// Reads a RIFF/WAVE file held in memory into samples the audio output takes:
// PCM of 8, 16, 24 (widened to 32) and 32 bits, IEEE float of 32 and 64
// (narrowed to 32) bits, the same inside WAVE_FORMAT_EXTENSIBLE, and
// Microsoft and IMA ADPCM (decoded to 16 bits); 1 to 8 channels.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/audio_output.h"

namespace korv {

struct WaveSound {
    platform::AudioFormat format;
    std::vector<uint8_t> samples;  // whole frames in `format`
};

// False with a reason in `error` when the bytes are not a WAVE file this
// reader can play. A data chunk shorter than its header says (a file cut
// off) gives the whole frames that are there.
bool ReadWaveFile(std::span<const uint8_t> bytes, WaveSound& sound, std::string& error);

}  // namespace korv
