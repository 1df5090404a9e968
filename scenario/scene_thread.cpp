#include "scenario/scene_thread.h"

#include "saver/log.h"
#include "scenario/media_commands.h"

namespace korv {

CSceneThread::CSceneThread(Options options)
    : options_(std::move(options)),
      clock_(options_.clock ? options_.clock : &platform::SystemClock()),
      media_(options_.window) {
    if (!options_.scenario) options_.scenario = &GlobalScenario();
}

CSceneThread::~CSceneThread() { Kill(); }

uint32_t CSceneThread::SpeedCalibration() const {
    return options_.speedCalibration ? options_.speedCalibration->load(std::memory_order_relaxed) : 0;
}

bool CSceneThread::Kill(uint32_t timeoutMs) {
    // The stop comes first, so that a waited play that the media's stop
    // releases does not start over.
    const bool first = !stopEvent_.IsSet();
    stopEvent_.Set();
    if (first) {
        media_.Kill();
        html_.Close();
    }
    if (!IsCreated()) return true;
    Resume();
    if (!WaitForEnd(timeoutMs)) return false;
    Join();
    return true;
}

bool CSceneThread::InitInstance() {
    if (options_.calibrationRun) {
        Calibrate();
        return false;
    }
    FileLog("CSceneThread: InitInstance start");
    // Every scenario starts on a black screen.
    Window().SetBackground(platform::Rgb(0, 0, 0), kRasterCopy);
    if (options_.statusDisplay)
        ShowStatus();
    else
        Play();
    media_.StopAtEnd();
    html_.Close();
    idleEvent_.Set();
    stopEvent_.Wait(platform::kInfinite);
    return false;
}

int CSceneThread::ExitInstance() {
    int code = platform::Thread::ExitInstance();
    finishedEvent_.Set();
    return code;
}

void CSceneThread::Calibrate() {
    // The number of rounds that fit into the calibration time is the speed
    // figure that pacing uses; it stops growing at its maximum.
    std::atomic<uint32_t>* counter = options_.speedCalibration;
    if (!counter) return;
    counter->store(0, std::memory_order_relaxed);
    while (!stopEvent_.IsSet()) {
        uint32_t value = counter->load(std::memory_order_relaxed);
        if (value != 0xFFFFFFFFu) counter->store(value + 1, std::memory_order_relaxed);
    }
}

void CSceneThread::ShowStatus() {
    while (!stopEvent_.IsSet()) {
        if (options_.paintStatus) options_.paintStatus(Window());
        if (clock_->WaitFor(stopEvent_, 500)) break;
    }
}

void CSceneThread::Play() {
    if (options_.showExitButtonBar) Window().ShowExitButtonBar();
    Scenario& scenario = *options_.scenario;
    PrepareFlashPlayer(scenario);
    for (int i = 0; i < static_cast<int>(scenario.CommandCount()) && !stopEvent_.IsSet(); ++i) {
        SceneCommand& command = scenario.At(static_cast<size_t>(i));
        if (!command.IsDisabled()) command.Execute(*this, i);
    }
}

}  // namespace korv
