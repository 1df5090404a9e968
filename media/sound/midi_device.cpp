#include "media/sound/midi_device.h"
#include "media/sound/sound_output.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "media/sound/mci_errors.h"

namespace korv {
namespace {

constexpr size_t kBlockFrames = 2048;                                     // about 46 ms
constexpr uint64_t kQueuedAheadFrames = platform::kMidiSampleRate / 4;    // 250 ms
constexpr auto kStopPoll = std::chrono::milliseconds(100);
constexpr uint32_t kStopPollMs = 100;

uint32_t OpenErrorCode(platform::MidiOpenResult result) {
    switch (result) {
        case platform::MidiOpenResult::FileNotFound: return kMciErrorFileNotFound;
        case platform::MidiOpenResult::FileUnreadable: return kMciErrorFileRead;
        case platform::MidiOpenResult::NotMidi: return kMciErrorInvalidFile;
        case platform::MidiOpenResult::NoSynth: return kMciErrorSequencerNoMidi;
        case platform::MidiOpenResult::Ok: break;
    }
    return 0;
}

}  // namespace

void CMciDevice::SetCallbackWindow(MediaHost* window) { callbackWindow_ = window; }

uint32_t CMciDevice::NewDeviceId() {
    static std::atomic<uint32_t> next{0};
    uint32_t id = ++next;
    while (id == 0) id = ++next;  // 0 means closed
    return id;
}

// One play: what its rendering thread and the mixer's callbacks share.
struct CMidiDevice::PlayState {
    std::mutex mutex;
    std::condition_variable wake;
    uint64_t queuedFrames = 0;
    bool stop = false;
    bool finished = false;       // the rendering thread is done with it
    bool notifyPending = true;   // the window is still owed this play's notification
    uint32_t deviceId = 0;
    uint64_t serial = 0;
};

std::shared_ptr<CMidiDevice> CMidiDevice::Create() { return std::make_shared<CMidiDevice>(Key{}); }

CMidiDevice::~CMidiDevice() {
    {
        std::lock_guard lock(commandMutex_);
        StopLocked();
        CloseLocked();
    }
    if (!fileName.empty()) {
        std::error_code ignored;
        std::filesystem::remove(fileName, ignored);
    }
}

bool CMidiDevice::Open(const std::string& file, bool /*shareable*/) {
    std::lock_guard lock(commandMutex_);
    return OpenLocked(file);
}

bool CMidiDevice::Play() {
    std::lock_guard lock(commandMutex_);
    return PlayLocked();
}

bool CMidiDevice::Stop() {
    std::lock_guard lock(commandMutex_);
    return StopLocked();
}

bool CMidiDevice::Close() {
    std::lock_guard lock(commandMutex_);
    return CloseLocked();
}

void CMidiDevice::OnNotify(uint32_t code, uint32_t deviceId) {
    uint64_t serial = 0;
    {
        std::lock_guard lock(commandMutex_);
        serial = playSerial_;
    }
    HandleNotify(code, deviceId, serial);
}

uint32_t CMidiDevice::RemainingMilliseconds() {
    std::lock_guard lock(commandMutex_);
    if (!play_ || !song_ || !source_) return 0;
    // What is still to be rendered, and what the mixer holds and has not played.
    uint64_t unrendered = song_->TotalFrames() - std::min(song_->TotalFrames(), song_->RenderedFrames());
    uint64_t rate = platform::kMixFormat.rate;
    return static_cast<uint32_t>((unrendered * 1000 + rate - 1) / rate) + source_->QueuedMilliseconds();
}

bool CMidiDevice::OpenLocked(const std::string& file) {
    CloseLocked();
    auto outcome = platform::OpenMidiSong(file);
    if (!outcome.song) return Fail(OpenErrorCode(outcome.result));
    song_ = std::move(outcome.song);
    openedFile_ = file;
    deviceId_ = NewDeviceId();
    opened = true;
    return true;
}

bool CMidiDevice::PlayLocked() {
    if (!opened) return Fail(kMciErrorInvalidDeviceId);
    if (play_) {
        std::lock_guard lock(play_->mutex);
        if (!play_->finished && !play_->stop) {
            // Still playing: it goes on, and its end belongs to this play now.
            if (play_->notifyPending) Post(kMciNotifySuperseded, *play_);
            play_->notifyPending = true;
            play_->serial = ++playSerial_;
            return true;
        }
    }
    if (renderThread_.joinable()) renderThread_.join();
    play_.reset();
    source_.reset();

    if (song_->Ended()) song_->Rewind();
    auto source = OpenSound(platform::kMixFormat);
    if (!source) return Fail(kMciErrorHardware);
    auto state = std::make_shared<PlayState>();
    state->deviceId = deviceId_;
    state->serial = ++playSerial_;
    try {
        renderThread_ = std::thread([this, state, source] { RenderLoop(state, source); });
    } catch (const std::system_error&) {
        source->Stop();
        return Fail(kMciErrorOutOfMemory);
    }
    play_ = std::move(state);
    source_ = std::move(source);
    return true;
}

bool CMidiDevice::StopLocked() {
    if (!opened) return Fail(kMciErrorInvalidDeviceId);
    ++playSerial_;  // an end already on its way no longer restarts or signals
    if (!play_) return true;
    {
        std::lock_guard lock(play_->mutex);
        play_->stop = true;
        if (play_->notifyPending && !play_->finished) Post(kMciNotifyAborted, *play_);
        play_->notifyPending = false;
    }
    play_->wake.notify_all();
    source_->Stop();
    if (renderThread_.joinable()) renderThread_.join();
    play_.reset();
    source_.reset();
    return true;
}

bool CMidiDevice::CloseLocked() {
    if (!opened) return true;
    StopLocked();
    song_.reset();
    openedFile_.clear();
    deviceId_ = 0;
    opened = false;
    return true;
}

void CMidiDevice::RenderLoop(std::shared_ptr<PlayState> state, std::shared_ptr<platform::AudioSource> source) {
    std::vector<int16_t> block(kBlockFrames * platform::kMidiChannels);
    const auto bytesOf = [&block](size_t frames) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block.data()),
                                        frames * platform::kMidiChannels * sizeof(int16_t));
    };
    for (;;) {
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait_for(lock, kStopPoll, [&] { return state->stop || state->queuedFrames < kQueuedAheadFrames; });
            if (state->stop) return;
            if (state->queuedFrames >= kQueuedAheadFrames) continue;
            state->queuedFrames += kBlockFrames;  // counted before Put: its callback may run inside it
        }
        const size_t frames = song_->Render(block);
        const bool queued = frames > 0 && source->Put(bytesOf(frames), [state] {
            {
                std::lock_guard lock(state->mutex);
                state->queuedFrames -= kBlockFrames;
            }
            state->wake.notify_all();
        });
        if (!queued) {
            std::lock_guard lock(state->mutex);
            state->queuedFrames -= kBlockFrames;
            if (frames > 0 && !state->stop && state->notifyPending) {
                // The mixer dropped the sound: the play fails.
                state->notifyPending = false;
                Post(kMciNotifyFailure, *state);
            }
            break;
        }
    }
    // The last event has been rendered: the play ends once what is queued
    // has been heard.
    source->Finish();
    for (;;) {
        if (source->Ended().Wait(kStopPollMs)) break;
        std::lock_guard lock(state->mutex);
        if (state->stop) return;
    }
    std::lock_guard lock(state->mutex);
    state->finished = true;
    if (state->stop || !state->notifyPending) return;
    state->notifyPending = false;
    Post(kMciNotifySuccessful, *state);
}

void CMidiDevice::Post(uint32_t code, const PlayState& play) {
    MediaHost* window = CallbackWindow();
    if (!window) return;
    std::weak_ptr<CMidiDevice> device = weak_from_this();
    const uint32_t deviceId = play.deviceId;
    const uint64_t serial = play.serial;
    window->PostToWindowThread([device, code, deviceId, serial] {
        if (auto alive = device.lock()) alive->HandleNotify(code, deviceId, serial);
    });
}

void CMidiDevice::HandleNotify(uint32_t code, uint32_t deviceId, uint64_t playSerial) {
    std::lock_guard lock(commandMutex_);
    if (deviceId == 0 || deviceId != deviceId_ || playSerial != playSerial_) return;
    if (code != kMciNotifySuccessful) return;
    if (!loop) {
        doneEvent.Set();
        return;
    }
    const std::string file = openedFile_;
    CloseLocked();
    if (OpenLocked(file)) PlayLocked();
}

}  // namespace korv
