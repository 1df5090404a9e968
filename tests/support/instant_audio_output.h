#pragma once
// An audio output that plays every block the moment it is queued and keeps
// the bytes of each source, for tests of what players queue (not of when).

#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_output.h"

namespace korv::test {

class InstantAudioSource final : public platform::AudioSource {
public:
    explicit InstantAudioSource(const platform::AudioFormat& format) : format_(format) {}

    const platform::AudioFormat& Format() const override { return format_; }
    bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed = {}) override {
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return false;
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
            ++blocks_;
        }
        if (onPlayed) onPlayed();
        return true;
    }
    void Finish() override { ended_.Set(); }
    void Stop() override {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        ended_.Set();
    }
    const platform::Event& Ended() const override { return ended_; }
    uint32_t QueuedMilliseconds() const override { return 0; }
    uint64_t PlayedFrames() const override {
        std::lock_guard lock(mutex_);
        return bytes_.size() / static_cast<size_t>(format_.BytesPerFrame());
    }

    std::vector<uint8_t> Bytes() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    int Blocks() const {
        std::lock_guard lock(mutex_);
        return blocks_;
    }
    bool Stopped() const {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

private:
    const platform::AudioFormat format_;
    mutable std::mutex mutex_;
    std::vector<uint8_t> bytes_;
    int blocks_ = 0;
    bool stopped_ = false;
    platform::Event ended_;
};

class InstantAudioOutput final : public platform::AudioOutput {
public:
    std::shared_ptr<platform::AudioSource> Open(const platform::AudioFormat& format) override {
        auto source = std::make_shared<InstantAudioSource>(format);
        std::lock_guard lock(mutex_);
        sources_.push_back(source);
        return source;
    }
    void SetMuted(bool muted) override { muted_ = muted; }
    bool Muted() const override { return muted_; }
    std::string DriverName() const override { return "instant"; }

    std::vector<std::shared_ptr<InstantAudioSource>> Sources() const {
        std::lock_guard lock(mutex_);
        return sources_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<InstantAudioSource>> sources_;
    bool muted_ = false;
};

}  // namespace korv::test
