// The process's sound output: one SDL audio device, opened when the first
// source opens (PipeWire, PulseAudio, then ALSA; or only what
// $SDL_AUDIODRIVER names). Without a device, a silent output mixes and
// discards at the pace of real time on a thread of its own, which runs only
// while there are sources.

#include <SDL.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_audio_mixer.h"

namespace korv::platform {

namespace {

constexpr auto kSilentStep = std::chrono::milliseconds(10);
// How long the end of the process waits for the device to close.
constexpr auto kCloseLimit = std::chrono::milliseconds(1000);
constexpr const char* kDefaultDrivers[] = {"pipewire", "pulseaudio", "alsa"};

// ALSA reports a machine without sound cards on stderr; the saver says
// nothing there. The library comes with SDL (linked or loaded); when it is
// not there yet, SDL's ALSA driver is not used and nothing is printed.
extern "C" void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaMessages() {
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!library) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(library, "snd_lib_error_set_handler")))
        set(&IgnoreAlsaMessage);
    dlclose(library);  // SDL still holds it
}

class SystemAudioOutput final : public AudioOutput {
public:
    std::shared_ptr<AudioSource> Open(const AudioFormat& format) override {
        std::lock_guard lock(mutex_);
        if (!tried_) {
            tried_ = true;
            OpenDevice();
        }
        auto source = mixer_.Open(format);
        if (source && device_ == 0 && !silentRunning_ && !shutDown_) {
            if (silentThread_.joinable()) silentThread_.join();  // it has left its loop
            silentRunning_ = true;
            silentThread_ = std::thread([this] { RunSilent(); });
        }
        return source;
    }

    void SetMuted(bool muted) override { mixer_.SetMuted(muted); }
    bool Muted() const override { return mixer_.Muted(); }

    std::string DriverName() const override {
        std::lock_guard lock(mutex_);
        return driver_;
    }

    // At the end of the process: stops the silent thread and closes the
    // device, giving up on the device after kCloseLimit.
    void ShutDown() {
        std::thread silent;
        SDL_AudioDeviceID device = 0;
        {
            std::lock_guard lock(mutex_);
            shutDown_ = true;
            silent.swap(silentThread_);
            std::swap(device, device_);
        }
        wake_.notify_all();
        if (silent.joinable()) silent.join();
        if (device == 0) return;
        auto closed = std::make_shared<std::promise<void>>();
        std::future<void> done = closed->get_future();
        std::thread([device, closed] {
            SDL_CloseAudioDevice(device);
            SDL_AudioQuit();
            closed->set_value();
        }).detach();
        done.wait_for(kCloseLimit);
    }

private:
    static void DeviceCallback(void* self, Uint8* stream, int length) {
        auto* output = static_cast<SystemAudioOutput*>(self);
        output->mixer_.Mix({reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / sizeof(int16_t)});
    }

    bool TryDriver(const char* name) {
        if (SDL_AudioInit(name) != 0) return false;
        SDL_AudioSpec want{};
        want.freq = kMixFormat.rate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(kMixFormat.channels);
        want.samples = 1024;
        want.callback = &DeviceCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            SDL_AudioQuit();
            return false;
        }
        const char* current = SDL_GetCurrentAudioDriver();
        driver_ = current ? current : (name ? name : "");
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void OpenDevice() {
        SilenceAlsaMessages();
        const char* named = std::getenv("SDL_AUDIODRIVER");
        bool opened = false;
        if (named && *named) {
            opened = TryDriver(nullptr);  // SDL tries what the variable names, in its order
        } else {
            for (const char* name : kDefaultDrivers)
                if ((opened = TryDriver(name))) break;
        }
        if (!opened) driver_ = "silent";
    }

    // Mixes in steps of kSilentStep at the pace of real time while there are sources.
    void RunSilent() {
        using Steady = std::chrono::steady_clock;
        const auto start = Steady::now();
        uint64_t mixed = 0;
        std::vector<int16_t> discard;
        std::unique_lock lock(mutex_);
        while (!shutDown_ && mixer_.SourceCount() > 0) {
            lock.unlock();
            auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start).count();
            uint64_t target = static_cast<uint64_t>(elapsed) * static_cast<uint64_t>(kMixFormat.rate) / 1000000u;
            if (target > mixed) {
                discard.resize((target - mixed) * 2);
                mixer_.Mix(discard);
                mixed = target;
            }
            lock.lock();
            wake_.wait_for(lock, kSilentStep, [this] { return shutDown_; });
        }
        silentRunning_ = false;
    }

    AudioMixer mixer_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool tried_ = false;
    bool shutDown_ = false;
    SDL_AudioDeviceID device_ = 0;
    std::string driver_;
    std::thread silentThread_;
    bool silentRunning_ = false;
};

SystemAudioOutput& TheSystemOutput() {
    // Never destroyed: the device's thread may still be mixing while the
    // process ends; ShutDown runs at exit instead.
    static SystemAudioOutput* output = [] {
        auto* made = new SystemAudioOutput;
        std::atexit([] { TheSystemOutput().ShutDown(); });
        return made;
    }();
    return *output;
}

std::atomic<AudioOutput*> replacement{nullptr};

}  // namespace

AudioOutput& SystemAudio() {
    AudioOutput* output = replacement.load();
    return output ? *output : TheSystemOutput();
}

void SetSystemAudio(AudioOutput* output) { replacement.store(output); }

}  // namespace korv::platform
