#pragma once
// The thread that plays the scenario into the screen-saver window, command
// by command, until it is told to stop. The same class measures the
// machine's speed (calibration mode) and keeps the download status on the
// screen while a saver without content downloads (status mode).

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/thread.h"
#include "scenario/scenario.h"
#include "scenario/scene_context.h"
#include "scenario/scene_html.h"
#include "scenario/scene_media.h"

namespace korv {

class CSceneThread : public platform::Thread, public SceneContext {
public:
    struct Options {
        SceneWindow* window = nullptr;
        std::atomic<uint32_t>* speedCalibration = nullptr;  // shared by all scene threads
        bool calibrationRun = false;
        bool statusDisplay = false;
        Scenario* scenario = nullptr;        // default: the global scenario
        platform::Clock* clock = nullptr;    // default: the system clock
        bool showExitButtonBar = false;      // player type 3
        int32_t timesFigure = 0;             // the saver's Times setting, mixed into seeds
        DesktopPicturePaths desktopPictures;  // written at start-up; shown by modes 2 and 3
        // Paints the download status (status mode); nothing when absent.
        std::function<void(SceneWindow&)> paintStatus;
    };

    explicit CSceneThread(Options options);
    ~CSceneThread() override;

    // Stops the thread and returns once it has ended; at once for an ended
    // one. With a time limit it returns false when the thread is still
    // running then (the object must then be kept until it has ended).
    bool Kill(uint32_t timeoutMs = platform::kInfinite);
    // Set when the play loop has run out of commands (or was stopped).
    const platform::Event& IdleEvent() const { return idleEvent_; }
    const platform::Event& FinishedEvent() const { return finishedEvent_; }

    // SceneContext.
    SceneWindow& Window() override { return *options_.window; }
    const platform::Event& StopEvent() const override { return stopEvent_; }
    platform::Clock& Clock() override { return *clock_; }
    uint32_t SpeedCalibration() const override;
    int32_t TimesFigure() const override { return options_.timesFigure; }
    const DesktopPicturePaths& DesktopPictures() const override { return options_.desktopPictures; }
    bool HasExitButtonBar() const override { return options_.showExitButtonBar; }
    SceneMedia* Media() override { return &media_; }
    SceneHtml* Html() override { return &html_; }

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void Calibrate();
    void ShowStatus();
    void Play();

    Options options_;
    platform::Clock* clock_;
    platform::Event stopEvent_;
    platform::Event finishedEvent_;
    platform::Event idleEvent_;
    SceneMedia media_;
    SceneHtml html_;
};

}  // namespace korv
