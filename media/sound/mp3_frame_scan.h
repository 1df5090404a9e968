#pragma once
// Finding the first frame of an MPEG audio stream: ID3v2 tags at the start
// are passed over by their declared sizes, then the first acceptable header
// within 10240 offsets is taken.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "media/sound/mp3_frame_header.h"

namespace korv {

// How many offsets after the tags the scan tries.
inline constexpr size_t kMp3FrameScanOffsets = 10240;

// Bytes taken by the ID3v2 tags at the start of `data` ("ID3", version,
// flags, a four-byte synchsafe size, ten more with a footer), at most the
// data's size; 0 when it does not start with one.
size_t Id3v2TagsLength(std::span<const uint8_t> data);

struct Mp3FirstFrame {
    size_t offset = 0;
    Mp3FrameHeader header;
};

// The first acceptable header at the offsets 0 … 10239 after the tags;
// nothing when there is none.
std::optional<Mp3FirstFrame> FindFirstMp3Frame(std::span<const uint8_t> data);

}  // namespace korv
