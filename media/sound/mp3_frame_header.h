#pragma once
// The four-byte header that starts every MPEG audio frame: which headers are
// accepted, and what version, layer, bit rate, sample rate and channel mode
// they give (MPEG 1 and 2 tables, with MPEG 2.5 for the lowest rates).

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korv {

enum class MpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };

inline constexpr int kMp3ChannelModeMono = 3;

struct Mp3FrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 3;            // 1–3
    int bitrateKbps = 0;      // kbit/s
    int sampleRate = 0;       // Hz
    int channelMode = 0;      // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono

    int Channels() const { return channelMode == kMp3ChannelModeMono ? 1 : 2; }
    // Samples per channel that one frame holds.
    int SamplesPerFrame() const;
    // Bytes of a frame with this header's layer, version and rate at `bitrateKbps` (no padding).
    size_t FrameBytesAt(int bitrateKbps) const;
    // The lowest and highest bit rate that this version and layer allow.
    int LowestBitrateKbps() const;
    int HighestBitrateKbps() const;
};

// The header of the big-endian word `word`, or nothing when the word is not
// an acceptable header: the 11 sync bits set, version and layer not
// reserved, bit-rate index neither 0 (free format) nor 15, sample-rate index
// not 3, emphasis not the reserved value.
std::optional<Mp3FrameHeader> ParseMp3FrameHeader(uint32_t word);

}  // namespace korv
