#include "platform/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/midi_file.h"

namespace korv::platform {
namespace {

// Real songs are a few hundred kilobytes at most.
constexpr uintmax_t kLargestMidiFile = 64u << 20;
// A song without time still lasts a tenth of a second, so that one played
// in a loop does not restart as fast as a thread can go.
constexpr uint64_t kShortestSongFrames = kMidiSampleRate / 10;

// FluidSynth's own messages would go to stderr; the engine reports failures itself.
void QuietFluidSynthLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) fluid_set_log_function(level, nullptr, nullptr);
    });
}

// A synth with the soundfont loaded. Sample-driven player timing makes a
// render depend only on how many samples were asked for.
class LoadedSynth {
public:
    static std::unique_ptr<LoadedSynth> Load(const std::string& soundfont) {
        auto loaded = std::unique_ptr<LoadedSynth>(new LoadedSynth);
        loaded->settings_ = new_fluid_settings();
        if (!loaded->settings_) return nullptr;
        fluid_settings_setnum(loaded->settings_, "synth.sample-rate", kMidiSampleRate);
        fluid_settings_setstr(loaded->settings_, "player.timing-source", "sample");
        fluid_settings_setint(loaded->settings_, "synth.lock-memory", 0);
        loaded->synth_ = new_fluid_synth(loaded->settings_);
        if (!loaded->synth_ || fluid_synth_sfload(loaded->synth_, soundfont.c_str(), 1) == FLUID_FAILED) return nullptr;
        return loaded;
    }
    ~LoadedSynth() {
        if (synth_) delete_fluid_synth(synth_);
        if (settings_) delete_fluid_settings(settings_);
    }
    fluid_synth_t* Synth() const { return synth_; }

private:
    LoadedSynth() = default;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
};

// Synths whose song has closed, kept for the next song of the process.
class SynthPool {
public:
    static SynthPool& Instance() {
        static SynthPool pool;
        return pool;
    }
    std::unique_ptr<LoadedSynth> Acquire() {
        {
            std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                auto synth = std::move(idle_.back());
                idle_.pop_back();
                return synth;
            }
        }
        const std::string soundfont = MidiSoundfontPath();
        if (soundfont.empty()) return nullptr;
        return LoadedSynth::Load(soundfont);
    }
    // The next song starts with every note off and every controller reset;
    // reverb of the last notes may still ring for its first moments.
    void Release(std::unique_ptr<LoadedSynth> synth) {
        fluid_synth_all_sounds_off(synth->Synth(), -1);
        fluid_synth_system_reset(synth->Synth());
        std::lock_guard lock(mutex_);
        if (idle_.size() < kMaxIdle) idle_.push_back(std::move(synth));
    }

    void Clear() {
        std::vector<std::unique_ptr<LoadedSynth>> idle;
        {
            std::lock_guard lock(mutex_);
            idle.swap(idle_);
        }
    }

private:
    static constexpr size_t kMaxIdle = 2;
    std::mutex mutex_;
    std::vector<std::unique_ptr<LoadedSynth>> idle_;
};

class FluidMidiSong final : public MidiSong {
public:
    FluidMidiSong(std::unique_ptr<LoadedSynth> synth, std::vector<uint8_t> bytes, uint64_t totalFrames)
        : synth_(std::move(synth)), bytes_(std::move(bytes)), totalFrames_(totalFrames) {}
    ~FluidMidiSong() override {
        DeletePlayer();
        SynthPool::Instance().Release(std::move(synth_));
    }

    bool Start() {
        player_ = new_fluid_player(synth_->Synth());
        if (!player_ || fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) != FLUID_OK) return false;
        return fluid_player_play(player_) == FLUID_OK;
    }

    uint64_t TotalFrames() const override { return totalFrames_; }
    uint64_t RenderedFrames() const override { return renderedFrames_; }

    size_t Render(std::span<int16_t> out) override {
        const uint64_t left = totalFrames_ - renderedFrames_;
        const size_t frames = static_cast<size_t>(std::min<uint64_t>(out.size() / kMidiChannels, left));
        if (frames == 0) return 0;
        fluid_synth_write_s16(synth_->Synth(), static_cast<int>(frames), out.data(), 0, 2, out.data(), 1, 2);
        renderedFrames_ += frames;
        return frames;
    }

    void Rewind() override {
        DeletePlayer();
        fluid_synth_system_reset(synth_->Synth());
        renderedFrames_ = 0;
        if (!Start()) renderedFrames_ = totalFrames_;  // nothing more to play
    }

private:
    void DeletePlayer() {
        if (!player_) return;
        fluid_player_stop(player_);
        delete_fluid_player(player_);
        player_ = nullptr;
    }

    std::unique_ptr<LoadedSynth> synth_;
    std::vector<uint8_t> bytes_;
    const uint64_t totalFrames_;
    std::atomic<uint64_t> renderedFrames_{0};  // read by other threads while one renders
    fluid_player_t* player_ = nullptr;
};

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

void ReleaseIdleMidiSynths() { SynthPool::Instance().Clear(); }

std::string MidiSoundfontPath() {
    if (const char* chosen = std::getenv("KORV_SOUNDFONT"); chosen && *chosen) return IsFile(chosen) ? chosen : "";
    for (const char* candidate : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"})
        if (IsFile(candidate)) return candidate;
    return "";
}

MidiOpenOutcome OpenMidiSong(const std::string& path) {
    QuietFluidSynthLog();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return {nullptr, MidiOpenResult::FileNotFound};
    std::ifstream in(path, std::ios::binary);
    if (!in || !IsFile(path)) return {nullptr, MidiOpenResult::FileUnreadable};
    const auto size = std::filesystem::file_size(path, error);
    if (error) return {nullptr, MidiOpenResult::FileUnreadable};
    if (size > kLargestMidiFile) return {nullptr, MidiOpenResult::NotMidi};
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return {nullptr, MidiOpenResult::FileUnreadable};

    const auto summary = ReadMidiFile(bytes);
    if (!summary) return {nullptr, MidiOpenResult::NotMidi};
    const uint64_t totalFrames =
        std::max(kShortestSongFrames, (summary->lastEventMicroseconds * kMidiSampleRate + 500000) / 1000000);

    auto synth = SynthPool::Instance().Acquire();
    if (!synth) return {nullptr, MidiOpenResult::NoSynth};
    auto song = std::make_unique<FluidMidiSong>(std::move(synth), std::move(bytes), totalFrames);
    if (!song->Start()) return {nullptr, MidiOpenResult::NoSynth};
    return {std::move(song), MidiOpenResult::Ok};
}

}  // namespace korv::platform
