#pragma once
// A video file decoded for playback: its pictures in presentation order at
// the source size, and the sound of its first audio stream converted to the
// mixer's format. Damaged files end decoding early; they never crash it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/audio_output.h"
#include "platform/surface.h"

namespace korv::platform {

enum class VideoOpenError {
    None,
    FileNotFound,      // no such file, or it cannot be read
    NotAVideo,         // the container is unknown or damaged, or it holds no video stream
    UnsupportedCodec,  // no decoder for the video stream, or it does not start
    BadPictureSize,    // the pictures are empty or larger than kMaxVideoSide
};

// Pictures wider or higher than this, or of more pixels than
// kMaxVideoPixels, are refused.
inline constexpr int kMaxVideoSide = 4096;
inline constexpr int64_t kMaxVideoPixels = int64_t{kMaxVideoSide} * kMaxVideoSide;

class VideoFile {
public:
    virtual ~VideoFile() = default;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // The length in milliseconds (0 when the container does not tell it).
    int64_t DurationMs() const { return durationMs_; }
    // Pictures per second (0 when unknown).
    double FrameRate() const { return frameRate_; }
    bool HasAudio() const { return hasAudio_; }

    // The next picture, at Width() x Height(), with its presentation time in
    // milliseconds from the start; false at the end of the stream.
    virtual bool NextFrame(Surface& picture, int64_t& timeMs) = 0;
    // The next block of sound in kMixFormat (whole frames); false at the end
    // or when there is no audio stream.
    virtual bool NextAudio(std::vector<uint8_t>& pcm) = 0;
    // Back to the start of both streams, for another pass; false when the
    // file cannot be read again.
    virtual bool Rewind() = 0;

protected:
    int width_ = 0;
    int height_ = 0;
    int64_t durationMs_ = 0;
    double frameRate_ = 0;
    bool hasAudio_ = false;
};

struct VideoOpenResult {
    std::unique_ptr<VideoFile> file;  // nullptr on failure
    VideoOpenError error = VideoOpenError::None;
    std::string errorText;  // the decoder library's explanation
};

VideoOpenResult OpenVideoFile(const std::string& path);
// The same from bytes in memory; `bytes` must outlive the file.
VideoOpenResult OpenVideoMemory(std::span<const uint8_t> bytes);

}  // namespace korv::platform
