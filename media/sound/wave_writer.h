#pragma once
// Writes 16-bit PCM as a RIFF/WAVE file.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korv {

// The bytes of a WAVE file holding `samples` (interleaved 16-bit).
std::vector<uint8_t> WaveFileBytes(std::span<const int16_t> samples, int rate, int channels);
// Writes them to `path` whole or not at all; false when it cannot.
bool WriteWaveFile(const std::string& path, std::span<const int16_t> samples, int rate, int channels);

}  // namespace korv
