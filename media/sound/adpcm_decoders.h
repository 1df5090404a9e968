#pragma once
// Block decoders of the two ADPCM kinds found in WAVE files, to 16-bit
// interleaved samples.

#include <cstdint>
#include <span>
#include <vector>

namespace korv {

struct MsAdpcmCoefficients {
    int16_t first = 0;
    int16_t second = 0;
};

// One block of Microsoft ADPCM: a header per channel (predictor index,
// delta, two samples), then 4-bit codes, high nibble first, channels
// interleaved. Appends at most `maxFrames` frames; false when the block is
// damaged (too short for its header, a predictor index out of range).
bool DecodeMsAdpcmBlock(std::span<const uint8_t> block, int channels, std::span<const MsAdpcmCoefficients> coefficients,
                        size_t maxFrames, std::vector<int16_t>& out);

// One block of IMA ADPCM: a header per channel (sample, step index), then
// groups of 4 bytes (8 codes, low nibble first) per channel in turn. Appends
// at most `maxFrames` frames; false when the block is damaged.
bool DecodeImaAdpcmBlock(std::span<const uint8_t> block, int channels, size_t maxFrames, std::vector<int16_t>& out);

}  // namespace korv
