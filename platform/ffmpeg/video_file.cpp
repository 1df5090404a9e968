// Video files through FFmpeg: one demuxer per decoded stream (the pictures
// and the sound are read at their own pace), swscale into the surface's
// 0x00RRGGBB pixels and swresample into the mixer's format.

#include "platform/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace korv::platform {
namespace {

constexpr int kIoBufferSize = 4096;
// Sound blocks above this many frames are refused (a damaged header).
constexpr int kMaxAudioFramesPerBlock = 1 << 20;
constexpr int kMaxAudioChannels = 64;
constexpr int kMaxAudioRate = 768000;

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Where the bytes come from: a path, or memory read through a custom I/O
// context.
struct InputSource {
    std::string path;
    std::span<const uint8_t> bytes;
    bool inMemory = false;
};

struct MemoryReader {
    std::span<const uint8_t> bytes;
    size_t position = 0;

    static int Read(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<MemoryReader*>(opaque);
        if (size <= 0) return 0;
        size_t left = self->bytes.size() - self->position;
        if (left == 0) return AVERROR_EOF;
        size_t count = std::min(left, static_cast<size_t>(size));
        std::memcpy(buffer, self->bytes.data() + self->position, count);
        self->position += count;
        return static_cast<int>(count);
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<MemoryReader*>(opaque);
        const auto size = static_cast<int64_t>(self->bytes.size());
        int64_t target = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE: return size;
        case SEEK_SET: target = offset; break;
        case SEEK_CUR: target = static_cast<int64_t>(self->position) + offset; break;
        case SEEK_END: target = size + offset; break;
        default: return AVERROR(EINVAL);
        }
        if (target < 0 || target > size) return AVERROR(EINVAL);
        self->position = static_cast<size_t>(target);
        return target;
    }
};

struct StreamOpenFailure {
    VideoOpenError error;
    std::string text;
};

// One demuxer and the decoder of one of its streams.
class StreamReader {
public:
    ~StreamReader() {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
        if (io_) {
            av_freep(&io_->buffer);
            avio_context_free(&io_);
        }
    }

    // Opens the best stream of `type`; the failure otherwise.
    std::optional<StreamOpenFailure> Open(const InputSource& source, AVMediaType type) {
        format_ = avformat_alloc_context();
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!format_ || !packet_ || !frame_) return StreamOpenFailure{VideoOpenError::NotAVideo, ErrorText(AVERROR(ENOMEM))};
        if (source.inMemory) {
            memory_.bytes = source.bytes;
            auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
            if (!buffer) return StreamOpenFailure{VideoOpenError::NotAVideo, ErrorText(AVERROR(ENOMEM))};
            io_ = avio_alloc_context(buffer, kIoBufferSize, 0, &memory_, &MemoryReader::Read, nullptr, &MemoryReader::Seek);
            if (!io_) {
                av_free(buffer);
                return StreamOpenFailure{VideoOpenError::NotAVideo, ErrorText(AVERROR(ENOMEM))};
            }
            format_->pb = io_;
            format_->flags |= AVFMT_FLAG_CUSTOM_IO;
        }
        int result = avformat_open_input(&format_, source.inMemory ? nullptr : source.path.c_str(), nullptr, nullptr);
        if (result < 0) {  // format_ is freed
            bool missing = result == AVERROR(ENOENT) || result == AVERROR(EACCES) || result == AVERROR(EISDIR);
            return StreamOpenFailure{missing ? VideoOpenError::FileNotFound : VideoOpenError::NotAVideo, ErrorText(result)};
        }
        result = FindStreamInfo();
        if (result < 0) return StreamOpenFailure{VideoOpenError::NotAVideo, ErrorText(result)};
        const AVCodec* decoder = nullptr;
        index_ = av_find_best_stream(format_, type, -1, -1, &decoder, 0);
        if (index_ == AVERROR_DECODER_NOT_FOUND)
            return StreamOpenFailure{VideoOpenError::UnsupportedCodec, ErrorText(index_)};
        if (index_ < 0 || !decoder) return StreamOpenFailure{VideoOpenError::NotAVideo, "The file holds no such stream."};
        stream_ = format_->streams[index_];
        codec_ = avcodec_alloc_context3(decoder);
        if (!codec_) return StreamOpenFailure{VideoOpenError::UnsupportedCodec, ErrorText(AVERROR(ENOMEM))};
        result = avcodec_parameters_to_context(codec_, stream_->codecpar);
        if (result < 0) return StreamOpenFailure{VideoOpenError::UnsupportedCodec, ErrorText(result)};
        codec_->thread_count = 1;
        codec_->max_pixels = kMaxVideoPixels;
        result = avcodec_open2(codec_, decoder, nullptr);
        if (result < 0) return StreamOpenFailure{VideoOpenError::UnsupportedCodec, ErrorText(result)};
        return std::nullopt;
    }

    // Decodes the next frame of the stream into Frame(); false at the end.
    // Packets the decoder refuses (damaged ones) are skipped.
    bool Next() {
        for (;;) {
            int result = avcodec_receive_frame(codec_, frame_);
            if (result == 0) return true;
            if (result != AVERROR(EAGAIN) || draining_) return false;
            for (;;) {
                result = av_read_frame(format_, packet_);
                if (result < 0) {
                    avcodec_send_packet(codec_, nullptr);
                    draining_ = true;
                    break;
                }
                bool ours = packet_->stream_index == index_;
                if (ours) result = avcodec_send_packet(codec_, packet_);
                av_packet_unref(packet_);
                if (ours && result >= 0) break;
            }
        }
    }

    AVFormatContext* Format() const { return format_; }
    AVStream* Stream() const { return stream_; }
    AVCodecContext* Codec() const { return codec_; }
    AVFrame* Frame() const { return frame_; }

private:
    // Reads the streams' parameters with decoders that refuse pictures above
    // the size limit (a damaged header would otherwise ask for gigabytes).
    int FindStreamInfo() {
        std::vector<AVDictionary*> options(format_->nb_streams, nullptr);
        for (AVDictionary*& entry : options) av_dict_set_int(&entry, "max_pixels", kMaxVideoPixels, 0);
        int result = avformat_find_stream_info(format_, options.empty() ? nullptr : options.data());
        for (AVDictionary*& entry : options) av_dict_free(&entry);
        return result;
    }

    MemoryReader memory_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVStream* stream_ = nullptr;
    int index_ = -1;
    bool draining_ = false;
};

bool ValidSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxVideoSide && height <= kMaxVideoSide &&
           int64_t{width} * height <= kMaxVideoPixels;
}

class FfmpegVideoFile final : public VideoFile {
public:
    explicit FfmpegVideoFile(InputSource source) : source_(std::move(source)) {}

    ~FfmpegVideoFile() override {
        sws_freeContext(scaler_);
        swr_free(&resampler_);
    }

    std::optional<StreamOpenFailure> Open() {
        auto video = std::make_unique<StreamReader>();
        if (auto failure = video->Open(source_, AVMEDIA_TYPE_VIDEO)) return failure;
        const AVCodecParameters* parameters = video->Stream()->codecpar;
        if (!ValidSize(parameters->width, parameters->height))
            return StreamOpenFailure{VideoOpenError::BadPictureSize, "The pictures have no usable size."};
        width_ = parameters->width;
        height_ = parameters->height;
        AVFormatContext* format = video->Format();
        AVStream* stream = video->Stream();
        int64_t durationMs = 0;
        if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
            durationMs = av_rescale(format->duration, 1000, AV_TIME_BASE);
        else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
            durationMs = av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
        // A damaged time base can make the rescale overflow to AV_NOPTS_VALUE;
        // such a length is unknown, not negative.
        durationMs_ = std::max<int64_t>(durationMs, 0);
        AVRational rate = av_guess_frame_rate(format, stream, nullptr);
        if (rate.num > 0 && rate.den > 0) frameRate_ = av_q2d(rate);
        video_ = std::move(video);
        OpenAudio();
        return std::nullopt;
    }

    bool NextFrame(Surface& picture, int64_t& timeMs) override {
        if (!video_) return false;
        while (video_->Next()) {
            AVFrame* frame = video_->Frame();
            if (!ValidSize(frame->width, frame->height) || frame->format < 0) continue;
            scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                           width_, height_, AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!scaler_) continue;
            if (picture.Width() != width_ || picture.Height() != height_) picture = Surface(width_, height_);
            uint8_t* target[4] = {reinterpret_cast<uint8_t*>(picture.Pixels().data()), nullptr, nullptr, nullptr};
            int targetStride[4] = {width_ * 4, 0, 0, 0};
            if (sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, target, targetStride) <= 0) continue;
            // swscale may fill the unused byte with 0xFF; surface pixels keep it zero.
            for (Pixel& pixel : picture.Pixels()) pixel &= 0x00FFFFFFu;
            picture.MarkChanged();
            timeMs = FrameTime(*frame);
            return true;
        }
        return false;
    }

    bool NextAudio(std::vector<uint8_t>& pcm) override {
        if (!audio_) return false;
        const int frameBytes = kMixFormat.BytesPerFrame();
        while (audio_->Next()) {
            AVFrame* frame = audio_->Frame();
            if (!ResamplerFor(*frame)) continue;
            int capacity = swr_get_out_samples(resampler_, frame->nb_samples);
            if (capacity <= 0 || capacity > kMaxAudioFramesPerBlock) continue;
            pcm.resize(static_cast<size_t>(capacity) * static_cast<size_t>(frameBytes));
            uint8_t* out = pcm.data();
            int made = swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
            if (made <= 0) continue;
            pcm.resize(static_cast<size_t>(made) * static_cast<size_t>(frameBytes));
            return true;
        }
        // What the resampler still holds.
        if (!resampler_ || audioFlushed_) return false;
        audioFlushed_ = true;
        int capacity = swr_get_out_samples(resampler_, 0);
        if (capacity <= 0 || capacity > kMaxAudioFramesPerBlock) return false;
        pcm.resize(static_cast<size_t>(capacity) * static_cast<size_t>(frameBytes));
        uint8_t* out = pcm.data();
        int made = swr_convert(resampler_, &out, capacity, nullptr, 0);
        if (made <= 0) return false;
        pcm.resize(static_cast<size_t>(made) * static_cast<size_t>(frameBytes));
        return true;
    }

    bool Rewind() override {
        // Reopening reads every pass the same way, also from formats that
        // cannot seek.
        auto video = std::make_unique<StreamReader>();
        if (video->Open(source_, AVMEDIA_TYPE_VIDEO)) {
            video_.reset();
            audio_.reset();
            return false;
        }
        video_ = std::move(video);
        lastTimeMs_ = -1;
        firstStampMs_ = -1;
        OpenAudio();
        return true;
    }

private:
    void OpenAudio() {
        audio_.reset();
        swr_free(&resampler_);
        audioFlushed_ = false;
        auto audio = std::make_unique<StreamReader>();
        if (audio->Open(source_, AVMEDIA_TYPE_AUDIO)) return;
        hasAudio_ = true;
        audio_ = std::move(audio);
    }

    int64_t FrameTime(const AVFrame& frame) {
        AVStream* stream = video_->Stream();
        int64_t stamp = frame.best_effort_timestamp;
        int64_t time = 0;
        if (stamp != AV_NOPTS_VALUE && stream->time_base.num > 0 && stream->time_base.den > 0) {
            int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
            time = av_rescale_q(stamp - start, stream->time_base, AVRational{1, 1000});
            // The first picture shows at 0: H.264 in AVI, whose containers
            // know no presentation times, gets them late by its reorder delay.
            if (firstStampMs_ < 0) firstStampMs_ = time;
            time -= firstStampMs_;
        } else {
            time = lastTimeMs_ + (frameRate_ > 0 ? static_cast<int64_t>(1000.0 / frameRate_) : 40);
        }
        time = std::max<int64_t>(time, 0);
        lastTimeMs_ = time;
        return time;
    }

    // The resampler for the frame's layout, rate and sample format; made
    // again when a damaged stream changes them.
    bool ResamplerFor(const AVFrame& frame) {
        int channels = frame.ch_layout.nb_channels;
        if (channels <= 0 || channels > kMaxAudioChannels || frame.sample_rate <= 0 || frame.sample_rate > kMaxAudioRate ||
            frame.format < 0 || frame.nb_samples <= 0 || frame.nb_samples > kMaxAudioFramesPerBlock)
            return false;
        if (resampler_ && channels == inChannels_ && frame.sample_rate == inRate_ && frame.format == inFormat_) return true;
        swr_free(&resampler_);
        AVChannelLayout input{};
        // Layouts other than a plain channel mask get the usual layout of
        // their channel count.
        if (frame.ch_layout.order != AV_CHANNEL_ORDER_NATIVE)
            av_channel_layout_default(&input, channels);
        else if (av_channel_layout_copy(&input, &frame.ch_layout) < 0)
            return false;
        AVChannelLayout output = AV_CHANNEL_LAYOUT_STEREO;
        int result = swr_alloc_set_opts2(&resampler_, &output, AV_SAMPLE_FMT_S16, kMixFormat.rate, &input,
                                         static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&input);
        if (result < 0 || swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return false;
        }
        inChannels_ = channels;
        inRate_ = frame.sample_rate;
        inFormat_ = frame.format;
        return true;
    }

    InputSource source_;
    std::unique_ptr<StreamReader> video_;
    std::unique_ptr<StreamReader> audio_;
    SwsContext* scaler_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int inChannels_ = 0;
    int inRate_ = 0;
    int inFormat_ = -1;
    bool audioFlushed_ = false;
    int64_t lastTimeMs_ = -1;
    int64_t firstStampMs_ = -1;  // the first picture's own time in this pass
};

VideoOpenResult OpenFrom(InputSource source) {
    av_log_set_level(AV_LOG_QUIET);
    auto file = std::make_unique<FfmpegVideoFile>(std::move(source));
    VideoOpenResult result;
    if (auto failure = file->Open()) {
        result.error = failure->error;
        result.errorText = std::move(failure->text);
        return result;
    }
    result.file = std::move(file);
    return result;
}

}  // namespace

VideoOpenResult OpenVideoFile(const std::string& path) { InputSource source;
    source.path = path;
    return OpenFrom(std::move(source)); }

VideoOpenResult OpenVideoMemory(std::span<const uint8_t> bytes) {
    InputSource source;
    source.bytes = bytes;
    source.inMemory = true;
    return OpenFrom(std::move(source));
}

}  // namespace korv::platform
