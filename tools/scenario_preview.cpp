#include "tools/scenario_preview.h"

#include <algorithm>
#include <system_error>

#include "platform/file.h"
#include "platform/folders.h"
#include "platform/painter.h"
#include "platform/process.h"
#include "scenario/image_layer_pictures.h"
#include "scenario/scene_thread.h"
#include "tools/commands.h"
#include "tools/scenario_source.h"
#include "tools/script_compilation.h"
#include "tools/tool_arguments.h"
#include "tools/window_scene.h"

namespace korv::tool {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWatchTimer = 1;
// A scenario that does not stop within this is left to itself.
constexpr uint32_t kStopLimitMs = 3000;
// Content folders are looked at up to this many entries deep.
constexpr size_t kMostWatchedFiles = 20000;

std::string Stamp(const fs::path& path) {
    std::error_code error;
    const auto time = fs::last_write_time(path, error);
    if (error) return path.string() + " missing";
    const auto size = fs::file_size(path, error);
    return path.string() + " " + std::to_string(time.time_since_epoch().count()) + " " +
           std::to_string(error ? 0 : size);
}

fs::path MakeWorkFolder() {
    fs::path base = platform::PrivateTempFolder();
    if (base.empty()) base = fs::temp_directory_path();
    static int made = 0;
    fs::path folder = base / ("preview-" + std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++made));
    std::error_code error;
    fs::create_directories(folder, error);
    fs::permissions(folder, fs::perms::owner_all, error);
    return folder;
}

}  // namespace

ScenarioPreview::ScenarioPreview(platform::Display& display, PreviewSource source, std::ostream& messages)
    : display_(display), source_(std::move(source)), messages_(messages), workFolder_(MakeWorkFolder()) {}

ScenarioPreview::~ScenarioPreview() {
    display_.Loop().KillTimer(this, kWatchTimer);
    StopPlaying();
    display_.Loop().Forget(this);
    std::error_code error;
    fs::remove_all(workFolder_, error);
}

bool ScenarioPreview::Open(Size size) {
    const std::string title = "Preview: " + fs::path(source_.path).filename().string();
    window_ = display_.CreateAppWindow(Rect::FromSize(0, 0, size.width, size.height), title, this);
    if (!window_) return false;
    scene_ = std::make_unique<WindowScene>(*window_, false);
    display_.Loop().SetTimer(this, kWatchTimer, kWatchPeriodMs);
    Reload();
    return true;
}

std::vector<std::string> ScenarioPreview::Watched() const {
    std::vector<std::string> stamps{Stamp(source_.path)};
    if (source_.isScript && !source_.contentFolder.empty()) {
        std::error_code error;
        fs::recursive_directory_iterator it(source_.contentFolder, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator() && stamps.size() < kMostWatchedFiles;
             it.increment(error)) {
            std::error_code kind;
            if (it->is_regular_file(kind)) stamps.push_back(Stamp(it->path()));
        }
    }
    std::sort(stamps.begin(), stamps.end());
    return stamps;
}

void ScenarioPreview::Reload() {
    watched_ = Watched();
    auto next = std::make_unique<Scenario>();
    try {
        std::string loadPath = source_.path;
        if (source_.isScript) {
            ScriptCompilation compilation;
            compilation.scriptPath = source_.path;
            compilation.contentFolder = source_.contentFolder;
            compilation.textSources = source_.textSources;
            compilation.output = workFolder_ / "preview.zep";
            CompileScript(compilation, messages_);
            loadPath = compilation.output.string();
        }
        platform::File file;
        if (!file.Open(loadPath, platform::File::Mode::Read)) throw ToolError("cannot open " + loadPath);
        const ScenarioLocation location = LocateScenario(file, loadPath);
        if (location.isSaver)
            LoadStartUpScenario(file, location, *next, loadPath, messages_);
        else
            LoadScenarioAt(file, location, *next, loadPath);
    } catch (const std::exception& failure) {
        messages_ << "preview: " << OneLine(failure.what())
                  << (scenario_ ? " (the last scenario that loaded goes on playing)" : "") << "\n";
        messages_.flush();
        return;
    }
    StopPlaying();
    scenario_ = std::move(next);
    Play();
    messages_ << "preview: playing " << source_.path << "\n";
    messages_.flush();
}

void ScenarioPreview::Play() {
    if (!scenario_ || !scene_) return;
    scene_->SetBackground(platform::Rgb(0, 0, 0), kRasterCopy);
    CSceneThread::Options options;
    options.window = scene_.get();
    options.speedCalibration = &speed_;
    options.scenario = scenario_.get();
    thread_ = std::make_unique<CSceneThread>(std::move(options));
    if (!thread_->CreateThread(true)) {
        messages_ << "preview: cannot start the scene thread\n";
        thread_.reset();
        return;
    }
    thread_->Resume();
    ++plays_;
}

void ScenarioPreview::StopPlaying() {
    if (!thread_) return;
    if (!thread_->Kill(kStopLimitMs)) {
        // Still running: it keeps its scenario, and both are left behind
        // rather than freed under it.
        messages_ << "preview: the scenario did not stop within " << kStopLimitMs / 1000 << " s\n";
        (void)thread_.release();
        (void)scenario_.release();
        return;
    }
    thread_.reset();
}

void ScenarioPreview::OnTimer(uint32_t id) {
    if (id == kWatchTimer && Watched() != watched_) Reload();
}

void ScenarioPreview::OnResized(Size) {
    // The screen is the window: its scenario starts again at the new size.
    StopPlaying();
    Play();
}

void ScenarioPreview::OnCloseRequest() { display_.Loop().Quit(0); }

int RunPreviewCommand(const std::vector<std::string>& arguments, platform::Display& display, std::ostream& messages) {
    ToolArguments args(arguments, {"--content", "--text-sources", "--size"}, {});
    if (args.Positional().size() != 1)
        throw UsageError("usage: korv-tool preview SCRIPT [--content DIR] [--text-sources URL,...] [--size WxH] | preview SAVER");
    PreviewSource source;
    source.path = args.Positional()[0];
    const Size size = args.Has("--size") ? ParseSize(args.Required("--size"), "--size") : Size{960, 540};
    if (args.Has("--content")) {
        source.contentFolder = args.Required("--content");
    } else {
        // A saver or scenario file plays as it is; anything else is a script
        // whose files lie beside it.
        platform::File file;
        if (!file.Open(source.path, platform::File::Mode::Read)) throw ToolError("cannot open " + source.path);
        try {
            LocateScenario(file, source.path);
            source.isScript = false;
        } catch (const ToolError&) {
            const fs::path parent = fs::path(source.path).parent_path();
            source.contentFolder = parent.empty() ? "." : parent.string();
        }
    }
    source.textSources = args.List("--text-sources");
    ScenarioPreview preview(display, std::move(source), messages);
    if (!preview.Open(size)) throw ToolError("cannot open the preview window");
    display.Loop().Run();
    return 0;
}

}  // namespace korv::tool
