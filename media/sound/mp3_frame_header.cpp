#include "media/sound/mp3_frame_header.h"

namespace korv {

namespace {

// Bit rates in kbit/s by index 1–14 (index 0 and 15 are never accepted).
constexpr int kBitrates[5][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG 1, layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG 1, layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG 1, layer III
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG 2 and 2.5, layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG 2 and 2.5, layers II and III
};

constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000},  // MPEG 1
    {22050, 24000, 16000},  // MPEG 2
    {11025, 12000, 8000},   // MPEG 2.5
};

const int* BitrateRow(MpegVersion version, int layer) {
    if (version == MpegVersion::Mpeg1) return kBitrates[layer - 1];
    return kBitrates[layer == 1 ? 3 : 4];
}

}  // namespace

int Mp3FrameHeader::SamplesPerFrame() const {
    if (layer == 1) return 384;
    if (layer == 3 && version != MpegVersion::Mpeg1) return 576;
    return 1152;
}

size_t Mp3FrameHeader::FrameBytesAt(int kbps) const {
    if (sampleRate <= 0 || kbps <= 0) return 0;
    const size_t bitsPerSecond = static_cast<size_t>(kbps) * 1000;
    if (layer == 1) return 12 * bitsPerSecond / static_cast<size_t>(sampleRate) * 4;
    // A layer III frame of MPEG 2 or 2.5 holds half the samples, so half the bytes.
    const size_t coefficient = (layer == 3 && version != MpegVersion::Mpeg1) ? 72 : 144;
    return coefficient * bitsPerSecond / static_cast<size_t>(sampleRate);
}

int Mp3FrameHeader::LowestBitrateKbps() const { return BitrateRow(version, layer)[0]; }
int Mp3FrameHeader::HighestBitrateKbps() const { return BitrateRow(version, layer)[13]; }

std::optional<Mp3FrameHeader> ParseMp3FrameHeader(uint32_t word) {
    if ((word & 0xFFE00000u) != 0xFFE00000u) return std::nullopt;
    const uint32_t versionBits = (word >> 19) & 3;
    const uint32_t layerBits = (word >> 17) & 3;
    const uint32_t bitrateIndex = (word >> 12) & 15;
    const uint32_t rateIndex = (word >> 10) & 3;
    const uint32_t emphasis = word & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        emphasis == 2)
        return std::nullopt;

    Mp3FrameHeader header;
    header.version = versionBits == 3 ? MpegVersion::Mpeg1 : versionBits == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    header.layer = 4 - static_cast<int>(layerBits);
    header.bitrateKbps = BitrateRow(header.version, header.layer)[bitrateIndex - 1];
    header.sampleRate = kSampleRates[static_cast<int>(header.version)][rateIndex];
    header.channelMode = static_cast<int>((word >> 6) & 3);
    return header;
}

}  // namespace korv
