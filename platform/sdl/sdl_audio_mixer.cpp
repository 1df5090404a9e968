#include "platform/sdl/sdl_audio_mixer.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace korv::platform {

namespace {

// Frames mixed per step: callbacks and Ended events run between steps.
constexpr size_t kStepFrames = 512;
// Source frames handed to the converter at a time: a long block is not
// converted all at once inside a device callback, and SDL 2.26's resampler
// drops frames when it is given 1024 or more at once.
constexpr size_t kFeedFrames = 256;
constexpr auto kDataWaitLimit = std::chrono::seconds(1);
constexpr int kMixBytesPerFrame = 4;

SDL_AudioFormat SdlFormatOf(SampleType type) {
    switch (type) {
    case SampleType::U8: return AUDIO_U8;
    case SampleType::S16: return AUDIO_S16LSB;
    case SampleType::S32: return AUDIO_S32LSB;
    case SampleType::F32: return AUDIO_F32LSB;
    }
    return AUDIO_S16LSB;
}

struct Block {
    std::vector<uint8_t> bytes;
    size_t fedBytes = 0;
    uint64_t endFrame = 0;  // the source's frame count once this block has played
    std::function<void()> onPlayed;
};

class MixerSource;

}  // namespace

struct AudioMixer::State {
    bool waitForData = false;
    mutable std::mutex mutex;
    std::condition_variable dataArrived;
    std::vector<std::shared_ptr<MixerSource>> sources;
    std::atomic<bool> muted{false};
};

namespace {

// Everything but format_, stream_ and ended_ is guarded by the mixer's lock.
class MixerSource final : public AudioSource {
public:
    MixerSource(std::shared_ptr<AudioMixer::State> mixer, const AudioFormat& format, SDL_AudioStream* stream)
        : mixer_(std::move(mixer)), format_(format), stream_(stream) {}
    ~MixerSource() override { SDL_FreeAudioStream(stream_); }

    const AudioFormat& Format() const override { return format_; }

    bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed) override {
        size_t frameBytes = static_cast<size_t>(format_.BytesPerFrame());
        size_t usable = bytes.size() / frameBytes * frameBytes;
        {
            std::lock_guard lock(mixer_->mutex);
            if (stopped_ || done_) return false;
            Block block;
            block.bytes.assign(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(usable));
            putFrames_ += usable / frameBytes;
            block.endFrame = putFrames_;
            block.onPlayed = std::move(onPlayed);
            blocks_.push_back(std::move(block));
        }
        mixer_->dataArrived.notify_all();
        return true;
    }

    void Finish() override {
        {
            std::lock_guard lock(mixer_->mutex);
            finished_ = true;
        }
        mixer_->dataArrived.notify_all();
    }

    void Stop() override {
        {
            std::lock_guard lock(mixer_->mutex);
            if (stopped_ || done_) return;
            stopped_ = true;
            blocks_.clear();
            SDL_AudioStreamClear(stream_);
        }
        ended_.Set();
        mixer_->dataArrived.notify_all();
    }

    const Event& Ended() const override { return ended_; }

    uint32_t QueuedMilliseconds() const override {
        std::lock_guard lock(mixer_->mutex);
        if (stopped_ || done_) return 0;
        uint64_t left = putFrames_ - PlayedLocked();
        uint32_t ms = static_cast<uint32_t>((left * 1000 + static_cast<uint64_t>(format_.rate) - 1) / format_.rate);
        // A finished source ends at the mixer's next span at the latest (what
        // the converter still holds): a waiter that follows a clock by this
        // figure must let that span come.
        return ms == 0 && finished_ ? 1 : ms;
    }

    uint64_t PlayedFrames() const override {
        std::lock_guard lock(mixer_->mutex);
        return PlayedLocked();
    }

    // --- called by the mixer with its lock held ---

    bool Gone() const { return stopped_ || done_; }

    // Hands source frames to the converter until it holds `bytes` of output
    // or there is nothing more; flushes once everything has been handed over
    // after Finish. True when the source has nothing more to give than what
    // the converter holds.
    bool Feed(size_t bytes) {
        size_t frameBytes = static_cast<size_t>(format_.BytesPerFrame());
        while (static_cast<size_t>(SDL_AudioStreamAvailable(stream_)) < bytes && fedBlocks_ < blocks_.size()) {
            Block& block = blocks_[fedBlocks_];
            size_t chunk = std::min(block.bytes.size() - block.fedBytes, kFeedFrames * frameBytes);
            if (chunk > 0 && SDL_AudioStreamPut(stream_, block.bytes.data() + block.fedBytes, static_cast<int>(chunk)) != 0) {
                chunk = block.bytes.size() - block.fedBytes;  // cannot convert: skip the block
            }
            block.fedBytes += chunk;
            fedFrames_ += chunk / frameBytes;
            if (block.fedBytes == block.bytes.size()) {
                std::vector<uint8_t>().swap(block.bytes);
                block.fedBytes = 0;
                ++fedBlocks_;
            }
        }
        bool allFed = fedBlocks_ == blocks_.size();
        if (allFed && finished_ && !flushed_) {
            SDL_AudioStreamFlush(stream_);
            flushed_ = true;
        }
        return allFed;
    }

    // Whether the source is waiting for its owner: not finished, everything
    // handed over, and less than `bytes` ready.
    bool Starving(size_t bytes) const {
        return !finished_ && !stopped_ && !done_ && fedBlocks_ == blocks_.size() &&
               static_cast<size_t>(SDL_AudioStreamAvailable(stream_)) < bytes;
    }

    // A source whose owners have all let go without Finish finishes now.
    void FinishIfAbandoned(long useCount) {
        if (useCount <= 1) finished_ = true;
    }

    // Adds up to `frames` frames into `sum`. Collects the callbacks of blocks
    // that have played; true when the source has ended.
    bool MixInto(std::span<int32_t> sum, size_t frames, std::vector<int16_t>& scratch,
                 std::vector<std::function<void()>>& played) {
        size_t want = frames * kMixBytesPerFrame;
        bool allFed = Feed(want);
        scratch.resize(frames * 2);
        int got = SDL_AudioStreamGet(stream_, scratch.data(), static_cast<int>(want));
        size_t gotFrames = got > 0 ? static_cast<size_t>(got) / kMixBytesPerFrame : 0;
        for (size_t i = 0; i < gotFrames * 2; ++i) sum[i] += scratch[i];
        mixedFrames_ += gotFrames;
        if (allFed && finished_ && SDL_AudioStreamAvailable(stream_) == 0) {
            done_ = true;
        } else if (allFed && gotFrames < frames) {
            // Everything queued is inside the converter: it counts as played.
            floorFrames_ = std::max(floorFrames_, fedFrames_);
        }
        uint64_t playedNow = PlayedLocked();
        while (!blocks_.empty() && fedBlocks_ > 0 && blocks_.front().endFrame <= playedNow) {
            if (blocks_.front().onPlayed) played.push_back(std::move(blocks_.front().onPlayed));
            blocks_.pop_front();
            --fedBlocks_;
        }
        return done_;
    }

    // The callbacks of fed blocks of a starving source, which count as played.
    void TakeFedCallbacks(std::vector<std::function<void()>>& played) {
        floorFrames_ = std::max(floorFrames_, fedFrames_);
        while (fedBlocks_ > 0) {
            if (blocks_.front().onPlayed) played.push_back(std::move(blocks_.front().onPlayed));
            blocks_.pop_front();
            --fedBlocks_;
        }
    }

    void SignalEnded() { ended_.Set(); }

private:
    uint64_t PlayedLocked() const {
        if (done_) return putFrames_;
        uint64_t byTime = mixedFrames_ * static_cast<uint64_t>(format_.rate) / static_cast<uint64_t>(kMixFormat.rate);
        return std::max(floorFrames_, std::min(byTime, fedFrames_));
    }

    std::shared_ptr<AudioMixer::State> mixer_;
    const AudioFormat format_;
    SDL_AudioStream* const stream_;
    Event ended_;

    std::deque<Block> blocks_;
    size_t fedBlocks_ = 0;       // blocks at the front wholly in the converter
    uint64_t putFrames_ = 0;     // source frames queued in all
    uint64_t fedFrames_ = 0;     // source frames handed to the converter
    uint64_t mixedFrames_ = 0;   // output frames taken from the converter
    uint64_t floorFrames_ = 0;   // source frames known to be played regardless of mixedFrames_
    bool finished_ = false;
    bool flushed_ = false;
    bool stopped_ = false;
    bool done_ = false;          // played out after Finish
};

}  // namespace

AudioMixer::AudioMixer(bool waitForData) : state_(std::make_shared<State>()) { state_->waitForData = waitForData; }

AudioMixer::~AudioMixer() {
    std::vector<std::shared_ptr<MixerSource>> sources;
    {
        std::lock_guard lock(state_->mutex);
        sources.swap(state_->sources);
    }
    for (auto& source : sources) source->Stop();
}

std::shared_ptr<AudioSource> AudioMixer::Open(const AudioFormat& format) {
    if (!format.Valid()) return nullptr;
    SDL_AudioStream* stream = SDL_NewAudioStream(SdlFormatOf(format.type), static_cast<Uint8>(format.channels), format.rate,
                                                 AUDIO_S16LSB, kMixFormat.channels, kMixFormat.rate);
    if (!stream) return nullptr;
    auto source = std::make_shared<MixerSource>(state_, format, stream);
    std::lock_guard lock(state_->mutex);
    state_->sources.push_back(source);
    return source;
}

void AudioMixer::Mix(std::span<int16_t> out) {
    size_t totalFrames = out.size() / 2;
    auto deadline = std::chrono::steady_clock::now() + kDataWaitLimit;
    std::vector<int32_t> sum;
    std::vector<int16_t> scratch;
    std::vector<std::function<void()>> played;
    std::vector<std::shared_ptr<MixerSource>> ended;
    auto runCallbacks = [&] {
        for (auto& callback : played) callback();
        played.clear();
        for (auto& source : ended) source->SignalEnded();
        ended.clear();
    };

    for (size_t done = 0; done < totalFrames;) {
        size_t frames = std::min(kStepFrames, totalFrames - done);
        size_t bytes = frames * kMixBytesPerFrame;
        std::unique_lock lock(state_->mutex);
        if (state_->waitForData) {
            for (;;) {
                bool starving = false;
                for (auto& source : state_->sources) {
                    source->FinishIfAbandoned(source.use_count());
                    source->Feed(bytes);
                    if (source->Starving(bytes)) {
                        starving = true;
                        source->TakeFedCallbacks(played);
                    }
                }
                if (!starving || std::chrono::steady_clock::now() >= deadline) break;
                if (!played.empty()) {
                    // The owner may be waiting for these before it queues more.
                    lock.unlock();
                    runCallbacks();
                    lock.lock();
                    continue;
                }
                state_->dataArrived.wait_until(lock, deadline);
            }
        }
        sum.assign(frames * 2, 0);
        auto& sources = state_->sources;
        for (size_t i = 0; i < sources.size();) {
            sources[i]->FinishIfAbandoned(sources[i].use_count());
            bool gone = sources[i]->Gone() || sources[i]->MixInto(sum, frames, scratch, played);
            if (gone) {
                ended.push_back(std::move(sources[i]));
                sources.erase(sources.begin() + static_cast<ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        lock.unlock();
        int16_t* target = out.data() + done * 2;
        if (state_->muted) {
            std::fill(target, target + frames * 2, int16_t{0});
        } else {
            for (size_t i = 0; i < frames * 2; ++i)
                target[i] = static_cast<int16_t>(std::clamp<int32_t>(sum[i], INT16_MIN, INT16_MAX));
        }
        runCallbacks();
        done += frames;
    }
}

void AudioMixer::SetMuted(bool muted) { state_->muted = muted; }

bool AudioMixer::Muted() const { return state_->muted; }

size_t AudioMixer::SourceCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->sources.size();
}

}  // namespace korv::platform
