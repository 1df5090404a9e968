#pragma once
// korv-tool preview: a scenario played in an ordinary window at real speed,
// played again from the start whenever its script, a content file or the
// saver it comes from changes, or the window is resized (the screen is the
// window). Mouse and keys do nothing; closing the window ends it.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/display.h"
#include "scenario/scenario.h"

namespace korv {
class CSceneThread;
}

namespace korv::tool {

class WindowScene;

struct PreviewSource {
    std::string path;  // a script, or a saver (or scenario file) to play as it is
    bool isScript = true;
    std::string contentFolder;  // a script's files
    std::vector<std::string> textSources;
};

class ScenarioPreview : public platform::WindowHandler {
public:
    // How often the files are looked at.
    static constexpr uint32_t kWatchPeriodMs = 200;

    // Compiler messages and load failures go to `messages`.
    ScenarioPreview(platform::Display& display, PreviewSource source, std::ostream& messages);
    ~ScenarioPreview() override;
    ScenarioPreview(const ScenarioPreview&) = delete;
    ScenarioPreview& operator=(const ScenarioPreview&) = delete;

    // Opens the window of `size` and plays; false when no window could be made.
    bool Open(Size size);
    platform::Window* Window() { return window_.get(); }
    // How many times the scenario was (re)started with a playable scenario.
    int Plays() const { return plays_; }

    void OnTimer(uint32_t id) override;
    void OnResized(Size previous) override;
    void OnCloseRequest() override;

private:
    // A change to any watched file: path, modification time and size.
    std::vector<std::string> Watched() const;
    // Compiles (a script) and loads; on success plays it from the start,
    // otherwise the last playable scenario goes on playing.
    void Reload();
    void Play();
    void StopPlaying();

    platform::Display& display_;
    PreviewSource source_;
    std::ostream& messages_;
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<WindowScene> scene_;
    std::unique_ptr<Scenario> scenario_;
    std::unique_ptr<CSceneThread> thread_;
    std::atomic<uint32_t> speed_{1'000'000};
    std::vector<std::string> watched_;
    std::filesystem::path workFolder_;  // private; holds the compiled file
    int plays_ = 0;
};

// The preview from the command line: `arguments` as after "preview".
int RunPreviewCommand(const std::vector<std::string>& arguments, platform::Display& display, std::ostream& messages);

}  // namespace korv::tool
