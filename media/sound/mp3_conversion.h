#pragma once
// The conversion of MPEG audio into the playback format by libmpg123's feed
// interface: chunks of the source go in, 8-bit PCM comes out. Whatever does
// not fit the output given stays in the decoder for the next call.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "media/sound/mp3_frame_header.h"
#include "platform/audio_output.h"

struct mpg123_handle_struct;

namespace korv {

// Source bytes converted per output buffer.
inline constexpr size_t kMp3ChunkLength = 0x20000;

// An upper bound of the bytes in `format` that `chunkBytes` source bytes of a
// stream starting with `header` decode to (every frame at the lowest bit
// rate, plus a frame carried over from the chunk before).
size_t Mp3DecodedBound(const Mp3FrameHeader& header, const platform::AudioFormat& format, size_t chunkBytes);

class Mp3Conversion {
public:
    Mp3Conversion() = default;
    ~Mp3Conversion();
    Mp3Conversion(const Mp3Conversion&) = delete;
    Mp3Conversion& operator=(const Mp3Conversion&) = delete;

    // Starts a stream whose output is `format` (8-bit unsigned, one or two
    // channels); false when the decoder cannot give it.
    bool Open(const platform::AudioFormat& format);
    void Close();

    // Feeds `chunk` (may be empty) and decodes into `output` until the fed
    // bytes are used up or `output` is full. The bytes written (whole
    // frames); nothing when the data cannot be decoded or the decoder's
    // output format differs from the one asked for.
    std::optional<size_t> Convert(std::span<const uint8_t> chunk, std::span<uint8_t> output);
    // Whether everything fed so far has been given out.
    bool Drained() const { return drained_; }

private:
    mpg123_handle_struct* handle_ = nullptr;
    platform::AudioFormat format_;
    bool drained_ = true;
};

}  // namespace korv
