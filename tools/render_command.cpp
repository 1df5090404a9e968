// korv-tool render: plays a scenario, or what a saver plays at start-up (its
// newest playable stored version by its player type's rules; its embedded
// scenario with --embedded), on a headless display with a virtual clock and
// writes the screen at chosen virtual times as PNG files. Time passes only
// while the scenario waits, so the frames are exactly repeatable. With
// --audio, the sound mixed from time 0 to the last of those times is written
// as a 16-bit stereo 44.1 kHz WAV file. Messages the saver would show go to
// stderr.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>

#include "media/image/image_layer.h"
#include "media/image/png_writer.h"
#include "media/sound/wave_writer.h"
#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/message_box.h"
#include "platform/painter.h"
#include "scenario/scene_thread.h"
#include "tools/commands.h"
#include "tools/effect_sheet.h"
#include "tools/scenario_source.h"
#include "tools/tool_arguments.h"
#include "tools/window_scene.h"

namespace korv::tool {

namespace {

// How long (in real time) a render may take before it is given up, should
// a scenario draw for that long without letting virtual time pass.
constexpr uint32_t kRealTimeLimitMs = 120000;

struct Capture {
    std::string label;  // the time as given
    uint64_t ms = 0;
};

std::vector<Capture> ParseTimes(const std::string& text) {
    std::vector<Capture> captures;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma - start);
        char* end = nullptr;
        double seconds = std::strtod(item.c_str(), &end);
        if (item.empty() || *end != '\0' || !(seconds >= 0) || seconds > 1e7)
            throw UsageError("--at takes seconds separated by commas, not \"" + item + "\"");
        captures.push_back({item, static_cast<uint64_t>(seconds * 1000.0 + 0.5)});
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::stable_sort(captures.begin(), captures.end(), [](const Capture& a, const Capture& b) { return a.ms < b.ms; });
    return captures;
}

class NullHandler : public platform::WindowHandler {};

// Makes a recording clocked output the system's sound for its lifetime.
class RecordedSound {
public:
    explicit RecordedSound(platform::VirtualClock& clock) : output_(platform::CreateClockedAudioOutput(clock, true)) {
        platform::SetSystemAudio(output_.get());
    }
    ~RecordedSound() { platform::SetSystemAudio(nullptr); }
    // Exactly `ms` of what was mixed, silence after its end.
    std::vector<int16_t> Span(uint64_t ms) const {
        std::vector<int16_t> samples = output_->Recording();
        samples.resize(ms * static_cast<uint64_t>(platform::kMixFormat.rate) / 1000u * platform::kMixFormat.channels);
        return samples;
    }

private:
    std::unique_ptr<platform::ClockedAudioOutput> output_;
};

}  // namespace

// render --effects: a contact sheet of transition effects.
int RenderEffectSheet(const ToolArguments& args) {
    if (!args.Positional().empty() || args.Has("--at") || args.Has("--audio") || args.Has("--embedded"))
        throw UsageError("usage: korv-tool render --effects N,N,... [--size WxH] [--frames N] --out SHEET.png");
    std::vector<int> effects;
    for (const std::string& item : args.List("--effects")) {
        const int32_t number = ParseInteger(item, "--effects");
        if (number < 4 || number > 87) throw UsageError("--effects takes transition effects 4 to 87, not " + item);
        effects.push_back(number);
    }
    EffectSheetLayout layout;
    if (args.Has("--size")) layout.frame = ParseSize(args.Required("--size"), "--size");
    if (auto frames = args.Integer("--frames")) {
        if (*frames < 1 || *frames > 16) throw UsageError("--frames takes 1 to 16");
        layout.frames = *frames;
    }
    if (static_cast<int64_t>(layout.frame.width) * layout.frame.height * layout.frames * static_cast<int64_t>(effects.size()) >
        (int64_t{1} << 26))
        throw UsageError("the sheet would be too large; ask for fewer or smaller frames");
    const std::string path = args.Required("--out");
    if (!WritePng(path, MakeEffectSheet(effects, layout))) throw ToolError("cannot write " + path);
    return 0;
}

int RunRender(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"--size", "--at", "--out", "--audio", "--effects", "--frames"}, {"--embedded"});
    if (args.Has("--effects")) return RenderEffectSheet(args);
    if (args.Positional().size() != 1 || args.Has("--frames"))
        throw UsageError("usage: korv-tool render FILE [--embedded] --size WxH --at T1,T2,... --out DIR [--audio OUT.wav]"
                         " | render --effects N,N,... [--size WxH] [--frames N] --out SHEET.png");
    const std::string& path = args.Positional()[0];
    Size size = ParseSize(args.Required("--size"), "--size");
    std::vector<Capture> captures = ParseTimes(args.Required("--at"));
    std::filesystem::path folder = args.Required("--out");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) throw ToolError("cannot make the folder " + folder.string());

    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) throw ToolError("cannot open " + path);
    ScenarioLocation location = LocateScenario(file, path);
    Scenario scenario;
    if (location.isSaver && !args.Flag("--embedded"))
        LoadStartUpScenario(file, location, scenario, path, std::cerr);
    else if (location.HasScenario())
        LoadScenarioAt(file, location, scenario, path);
    file.Close();
    // What the scenario would show in a message box while it plays.
    platform::SetMessageBoxSink([](const platform::MessageBoxRequest& box) { std::cerr << OneLine(box.text) << "\n"; });

    platform::VirtualClock clock(1'800'000'000);
    std::optional<RecordedSound> sound;
    if (args.Has("--audio")) sound.emplace(clock);
    auto display = platform::CreateHeadlessDisplay(size.width, size.height, &clock);
    NullHandler handler;
    auto window = display->CreateTopWindow({0, 0, size.width, size.height}, &handler);
    if (!window) throw ToolError("cannot create the headless window");
    WindowScene sceneWindow(*window, true);

    // A fixed speed figure: pauses follow their formula exactly, independent of the machine.
    std::atomic<uint32_t> speed{1000000};
    CSceneThread::Options options;
    options.window = &sceneWindow;
    options.speedCalibration = &speed;
    options.scenario = &scenario;
    options.clock = &clock;
    CSceneThread thread(std::move(options));

    std::mutex captureMutex;
    size_t next = 0;
    std::string failure;
    platform::Event allCaptured;
    auto writeFrame = [&](const Capture& capture) {
        platform::Surface frame = window->Snapshot();
        std::string name = (folder / ("frame-" + capture.label + ".png")).string();
        if (!WritePng(name, frame) && failure.empty()) failure = "cannot write " + name;
    };
    // Frames are taken while the scenario waits: the screen then stays as it
    // is for the whole wait.
    clock.SetAdvanceObserver([&](uint64_t from, uint64_t to) {
        std::lock_guard lock(captureMutex);
        while (next < captures.size() && captures[next].ms < to) {
            if (captures[next].ms >= from) writeFrame(captures[next]);
            ++next;
        }
        if (next == captures.size()) allCaptured.Set();
    });

    if (!thread.CreateThread(true)) throw ToolError("cannot start the scene thread");
    thread.Resume();
    int woke = platform::WaitForAny({&thread.IdleEvent(), &allCaptured}, kRealTimeLimitMs);
    {
        // Times after the scenario went idle show its last screen.
        std::lock_guard lock(captureMutex);
        if (woke == 0)
            for (; next < captures.size(); ++next) writeFrame(captures[next]);
    }
    thread.Kill();
    clock.SetAdvanceObserver(nullptr);
    if (woke < 0) throw ToolError(path + ": the scenario did not reach the last time within two minutes");
    if (!failure.empty()) throw ToolError(failure);
    if (sound) {
        std::string audioPath = args.Required("--audio");
        if (!WriteWaveFile(audioPath, sound->Span(captures.back().ms), platform::kMixFormat.rate,
                           platform::kMixFormat.channels))
            throw ToolError("cannot write " + audioPath);
    }
    return 0;
}

}  // namespace korv::tool
