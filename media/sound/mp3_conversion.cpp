#include "media/sound/mp3_conversion.h"

#include <mpg123.h>

#include <mutex>

namespace korv {

size_t Mp3DecodedBound(const Mp3FrameHeader& header, const platform::AudioFormat& format, size_t chunkBytes) {
    const size_t smallestFrame = header.FrameBytesAt(header.LowestBitrateKbps());
    const size_t largestFrame = header.FrameBytesAt(header.HighestBitrateKbps()) + 4;  // with padding
    if (smallestFrame == 0 || header.sampleRate <= 0 || format.rate <= 0) return 0;
    const size_t frames = (chunkBytes + largestFrame) / smallestFrame + 2;
    const size_t sourceSamples = frames * static_cast<size_t>(header.SamplesPerFrame());
    const size_t rate = static_cast<size_t>(format.rate), sourceRate = static_cast<size_t>(header.sampleRate);
    const size_t outputSamples = (sourceSamples * rate + sourceRate - 1) / sourceRate + 1;
    return outputSamples * static_cast<size_t>(format.BytesPerFrame());
}

namespace {

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mp3Conversion::~Mp3Conversion() { Close(); }

bool Mp3Conversion::Open(const platform::AudioFormat& format) {
    Close();
    if (format.type != platform::SampleType::U8 || (format.channels != 1 && format.channels != 2)) return false;
    InitialiseLibrary();
    handle_ = mpg123_new(nullptr, nullptr);
    if (!handle_) return false;
    format_ = format;
    drained_ = true;
    // Quiet on damaged data, and resynchronising over any length of it.
    const bool ready = mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
                       mpg123_param(handle_, MPG123_RESYNC_LIMIT, -1, 0) == MPG123_OK &&
                       mpg123_format_none(handle_) == MPG123_OK &&
                       mpg123_format(handle_, format.rate, format.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                                     MPG123_ENC_UNSIGNED_8) == MPG123_OK &&
                       mpg123_open_feed(handle_) == MPG123_OK;
    if (!ready) Close();
    return ready;
}

void Mp3Conversion::Close() {
    if (!handle_) return;
    mpg123_delete(handle_);
    handle_ = nullptr;
    drained_ = true;
}

std::optional<size_t> Mp3Conversion::Convert(std::span<const uint8_t> chunk, std::span<uint8_t> output) {
    if (!handle_) return std::nullopt;
    if (!chunk.empty() && mpg123_feed(handle_, chunk.data(), chunk.size()) != MPG123_OK) return std::nullopt;
    const size_t frameBytes = static_cast<size_t>(format_.BytesPerFrame());
    const size_t capacity = output.size() / frameBytes * frameBytes;
    size_t written = 0;
    drained_ = false;
    while (written < capacity) {
        size_t done = 0;
        const int result = mpg123_read(handle_, output.data() + written, capacity - written, &done);
        written += std::min(done, capacity - written);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate != format_.rate ||
                channels != format_.channels || encoding != MPG123_ENC_UNSIGNED_8)
                return std::nullopt;
            continue;
        }
        if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            drained_ = true;
            break;
        }
        if (result != MPG123_OK) return std::nullopt;
    }
    // Whole frames only; mpg123 gives them whenever the room is whole frames.
    return written / frameBytes * frameBytes;
}

}  // namespace korv
