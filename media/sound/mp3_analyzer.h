#pragma once
// An MP3 stream as the player reads it: the bytes (a memory block it wraps,
// or a whole file it read) and what the first frame tells about them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/sound/mp3_frame_header.h"

namespace korv {

class CMP3Analyzer {
public:
    // Wraps `size` bytes at `data`; they must stay valid while the analyzer is used.
    void Wrap(const uint8_t* data, size_t size);
    // Reads the whole file. On failure shows "Error during file access!" and
    // holds no bytes.
    bool ReadFile(const std::string& fileName);

    // Looks for the first frame (after any ID3v2 tags); false when the scan
    // finds none, and then the stream is not played.
    bool FindFirstFrame();

    std::span<const uint8_t> Bytes() const { return bytes_; }
    // -1 until the first frame was found.
    int64_t FirstFrameOffset() const { return firstFrameOffset_; }
    // The bytes from the first frame on: what is decoded.
    std::span<const uint8_t> Frames() const;
    const Mp3FrameHeader& FirstHeader() const { return header_; }

private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> bytes_;
    int64_t firstFrameOffset_ = -1;
    Mp3FrameHeader header_;
};

}  // namespace korv
