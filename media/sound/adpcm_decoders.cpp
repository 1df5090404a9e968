#include "media/sound/adpcm_decoders.h"

#include <algorithm>

namespace korv {

namespace {

int16_t ReadS16(const uint8_t* at) { return static_cast<int16_t>(at[0] | (at[1] << 8)); }

int16_t Saturate(int32_t value) { return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX)); }

constexpr int32_t kMaxMsDelta = 1 << 24;
constexpr int32_t kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

constexpr int32_t kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndexChange[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct MsChannel {
    int32_t first = 0, second = 0;  // coefficients
    int32_t delta = 0;
    int32_t sample1 = 0, sample2 = 0;  // the newest and the one before

    int16_t Next(int code) {
        int64_t predicted = (int64_t{sample1} * first + int64_t{sample2} * second) >> 8;
        int64_t signedCode = code >= 8 ? code - 16 : code;
        int16_t sample = Saturate(static_cast<int32_t>(std::clamp<int64_t>(predicted + signedCode * delta, INT16_MIN, INT16_MAX)));
        sample2 = sample1;
        sample1 = sample;
        // Real streams stay far below the limit; damaged ones would overflow.
        delta = std::clamp<int32_t>(static_cast<int32_t>(int64_t{kMsAdaptation[code]} * delta / 256), 16, kMaxMsDelta);
        return sample;
    }
};

struct ImaChannel {
    int32_t predictor = 0;
    int index = 0;

    int16_t Next(int code) {
        int32_t step = kImaSteps[index];
        int32_t difference = step >> 3;
        if (code & 1) difference += step >> 2;
        if (code & 2) difference += step >> 1;
        if (code & 4) difference += step;
        predictor = Saturate(code & 8 ? predictor - difference : predictor + difference);
        index = std::clamp(index + kImaIndexChange[code], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

}  // namespace

bool DecodeMsAdpcmBlock(std::span<const uint8_t> block, int channels, std::span<const MsAdpcmCoefficients> coefficients,
                        size_t maxFrames, std::vector<int16_t>& out) {
    size_t headerBytes = 7 * static_cast<size_t>(channels);
    if (channels < 1 || channels > 8 || block.size() < headerBytes) return false;
    MsChannel state[8];
    const uint8_t* at = block.data();
    for (int c = 0; c < channels; ++c) {
        if (at[c] >= coefficients.size()) return false;
        state[c].first = coefficients[at[c]].first;
        state[c].second = coefficients[at[c]].second;
    }
    at += channels;
    for (int c = 0; c < channels; ++c, at += 2) state[c].delta = ReadS16(at);
    for (int c = 0; c < channels; ++c, at += 2) state[c].sample1 = ReadS16(at);
    for (int c = 0; c < channels; ++c, at += 2) state[c].sample2 = ReadS16(at);

    // The header's two samples come first, the older one before the newer.
    size_t frames = 0;
    for (int which = 0; which < 2 && frames < maxFrames; ++which, ++frames)
        for (int c = 0; c < channels; ++c)
            out.push_back(static_cast<int16_t>(which == 0 ? state[c].sample2 : state[c].sample1));

    size_t codes = (block.size() - headerBytes) * 2;
    size_t codeFrames = codes / static_cast<size_t>(channels);
    for (size_t f = 0; f < codeFrames && frames < maxFrames; ++f, ++frames) {
        for (int c = 0; c < channels; ++c) {
            size_t n = f * static_cast<size_t>(channels) + static_cast<size_t>(c);
            uint8_t byte = block[headerBytes + n / 2];
            int code = n % 2 == 0 ? byte >> 4 : byte & 0x0F;
            out.push_back(state[c].Next(code));
        }
    }
    return true;
}

bool DecodeImaAdpcmBlock(std::span<const uint8_t> block, int channels, size_t maxFrames, std::vector<int16_t>& out) {
    size_t headerBytes = 4 * static_cast<size_t>(channels);
    if (channels < 1 || channels > 8 || block.size() < headerBytes) return false;
    ImaChannel state[8];
    for (int c = 0; c < channels; ++c) {
        const uint8_t* at = block.data() + 4 * c;
        state[c].predictor = ReadS16(at);
        if (at[2] > 88) return false;
        state[c].index = at[2];
    }
    size_t frames = 0;
    if (maxFrames == 0) return true;
    for (int c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(state[c].predictor));
    ++frames;

    // Each group holds 4 bytes (8 frames' codes) of every channel.
    size_t groupBytes = 4 * static_cast<size_t>(channels);
    size_t groups = (block.size() - headerBytes) / groupBytes;
    size_t first = out.size();
    size_t framesHere = std::min(groups * 8, maxFrames - frames);
    out.resize(first + framesHere * static_cast<size_t>(channels));
    for (size_t g = 0; g < groups; ++g) {
        for (int c = 0; c < channels; ++c) {
            const uint8_t* codes = block.data() + headerBytes + g * groupBytes + 4 * static_cast<size_t>(c);
            for (size_t k = 0; k < 8; ++k) {
                size_t frame = g * 8 + k;
                int code = k % 2 == 0 ? codes[k / 2] & 0x0F : codes[k / 2] >> 4;
                int16_t sample = state[c].Next(code);
                if (frame < framesHere) out[first + frame * static_cast<size_t>(channels) + static_cast<size_t>(c)] = sample;
            }
        }
    }
    return true;
}

}  // namespace korv
