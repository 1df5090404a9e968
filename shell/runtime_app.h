#pragma once
// The application object: start-up, dispatch on the screen-saver switch and
// the player type, scenario loading and the clean-up at exit.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "media/desktop/desktop_picture_writer.h"
#include "platform/archive.h"
#include "platform/settings_store.h"
#include "shell/command_line.h"
#include "shell/host_draw_target.h"
#include "shell/saver_window_host.h"
#include "shell/updated_application.h"
#include "saver/program_file.h"
#include "saver/saver_config.h"
#include "saver/saver_settings.h"

namespace korv::platform {
class Display;
}

namespace korv {

class CSceneThread;
class DownloadControl;
class DownloadStatus;
class PreviewWindow;
class RuntimeUpdateHost;
class Scenario;
class SSWnd;

inline constexpr const char* kWindowClassName = "VEL_Runtime_Engine";

class RuntimeApp : public SaverWindowHost, public UpdatedApplication {
public:
    struct Options {
        std::vector<std::string> arguments;  // without the program name
        std::string programPath;             // the program's own file
        std::optional<platform::SettingsStore> settingsStore;  // default: the user's
    };

    explicit RuntimeApp(Options options);
    ~RuntimeApp() override;
    RuntimeApp(const RuntimeApp&) = delete;
    RuntimeApp& operator=(const RuntimeApp&) = delete;

    // The value of the host's XSCREENSAVER_WINDOW (empty when unset); read
    // at start-up when the switches say a host runs the saver.
    void SetHostWindowVariable(std::string value) { hostWindowVariable_ = std::move(value); }
    // Start-up; true when a window was created and the message loop is to run.
    bool InitInstance();
    // The parts of start-up that read the saver's configuration: its
    // settings (proxy, update switch) and its payload (site, credentials,
    // interval). False when the program file cannot be read or its payload
    // is damaged.
    void LoadSaverSettings();
    bool LoadSaverPayload();
    // The clean-up at exit: deletes the scenario and the temporary pictures,
    // opens the link the user chose and stops the scene thread. Runs once;
    // the destructor runs it when nobody did.
    void ExitInstance();
    // Creates the saver window (empty `reloadPath`) or reloads the scenario
    // from `reloadPath` into the running window, then starts a scene thread.
    // Returns 1 on success, 0 on failure.
    int StartScenario(const std::string& windowClassName, const std::string& reloadPath, bool downloadAtStart);
    // Plays the scenario at `path` in the running window in place of what
    // plays; the time of the check is stored when `countsAsCheck`. Returns 1
    // on success, 0 (and what played plays on) on failure.
    int ReloadScenario(const std::string& path, bool countsAsCheck) override;
    // Replaces the global scenario with the one in `path`, or with the one
    // embedded in the program file when `fromBody`. Non-zero on success.
    int LoadScenario(const std::string& path, bool fromBody);
    int LoadScenarioInto(Scenario& target, const std::string& path, bool fromBody) override;

    SaverMode Mode() const { return mode_; }
    SaverSettings& Settings() override { return *settings_; }
    // The configuration start-up read; a move to another site and the
    // server's interval change it (through the update host, under its lock).
    SaverConfig& Config() override { return config_; }
    const SaverConfig& Config() const { return config_; }
    // Runs the main thread's event loop until the saver window ends it.
    int RunMessageLoop();

    // Services for the saver window.
    int OsVersion() const override { return OsVersionCode(); }
    void CalibrateSpeedForWindow() override;
    void SetExitUrl(const std::string& url) override { exitUrl = url; }
    void StopSceneThreadNow() { StopSceneThread(); }
    // The window is going away: stops the scene thread, and the download
    // thread for good, each within a bounded wait, and takes down the
    // message boxes that are up. A thread that does not end in time is left
    // running, and the program must then end at once (MustEndAtOnce).
    void EndSaverThreads() override;
    // Whether a thread was left running at the end: the program ends after
    // the essential clean-up, without destroying what that thread uses.
    bool MustEndAtOnce() const { return strayThreads_; }
    // Why the command line could not be obeyed (an unknown switch, a preview
    // without a usable window); empty when it could.
    const std::string& UsageError() const { return usageError_; }
    // The update timer: starts an update when the interval has passed or
    // the window asks for one at once.
    void OnUpdateTimer(SSWnd& window) override;

    // Services for the update host.
    bool ReloadUpdatedScenario(const std::string& path) override;
    void CloseForNewerFormat() override;
    void RequestDownloadAtStart() override;

    // The status screen of a saver that downloads its first content.
    DownloadStatus& Status();
    RuntimeUpdateHost& Updates();
    SSWnd* MainWindow() { return mainWindow_.get(); }
    // The stored scenario that plays (empty for the embedded one or none).
    // Written at start-up and by reloads, both before or on the download
    // thread that reads it.
    const std::string& PlayingScenarioPath() const override { return playingScenarioPath_; }
    // Whether the window shows the status screen: no scenario plays yet.
    bool NothingToPlay() const override { return nothingToPlay_; }
    CSceneThread* SceneThread() { return sceneThread_.get(); }

    // Members in the order start-up fills them.
    std::string desktopBitmapPath;
    std::string wallpaperBitmapPath;
    DesktopPictureWriter desktopPictures_;
    std::string appName;
    std::string windowClassName;
    std::atomic<uint32_t> speedCalibration{0};
    std::string exitUrl;

protected:
    // Services of parts that plug in here; each default takes the failure
    // path that start-up defines for a missing service.
    virtual void WriteDesktopPictures();
    // Runs the separate settings program and waits until its dialog closes.
    virtual void ShowSettingsDialog(bool ownedByForegroundWindow);
    virtual bool CreatePreviewWindow(uintptr_t parentWindow);
    virtual bool RegisterWindowClass() { return true; }
    virtual bool CreateMainWindow(bool downloadAtStart);
    virtual void DestroyMainWindow();
    virtual uintptr_t MainWindowHandle() const;
    virtual bool StartSceneThread(bool statusDisplay);
    virtual void StopSceneThread();
    // The display the windows live on (the screen, or a headless one).
    virtual std::unique_ptr<platform::Display> OpenDisplay();
    // The speed measurement: a calibration scene thread for one second.
    virtual uint32_t MeasureSpeed();
    // Waits `ms` while the calibration measures; on the screen the windows
    // answer their input meanwhile. True when the saver is to end.
    bool WaitWhileMeasuring(uint32_t ms);
    virtual void ReportDownloadStatus(int code, const std::string& text);
    // Reads the scene object list into `target`; false when it is damaged or
    // cannot be prepared.
    virtual bool ReadSceneList(platform::ArchiveReader& archive, Scenario& target);
    // The OS-version code that the exit clean-up tests (Windows 2000 = 4).
    virtual int OsVersionCode() const;
    // How long the window's end waits for each thread.
    virtual uint32_t ThreadEndWaitMs() const { return kThreadEndWaitMs; }

private:
    std::string usageError_;
    // 0: end the program; 1: a window is running; 2: a scenario is loaded.
    int DecidePlayerBuiltIn(const std::string& scenarioPath, bool expired);
    int DecidePlayerRemote(const std::string& scenarioPath, bool expired);
    bool RunFullScreen();
    // The newest stored version whose scenario loads; empty when none.
    std::string ChoosePlayableVersion();
    bool RunPreview();
    void RunChangePassword();
    void OpenExitUrl();

    void RemoveTemporaryPictures();
    // Stops the scene thread within `waitMs`; false when it still runs.
    bool StopSceneThreadWithin(uint32_t waitMs);

    static constexpr uint32_t kThreadEndWaitMs = 250;

    Options options_;
    // Held while the scene thread is replaced or stopped; a reload on the
    // download thread and the window's end take turns.
    std::timed_mutex sceneMutex_;
    bool windowEnding_ = false;  // guarded by sceneMutex_: no reload starts a thread
    std::atomic<bool> strayThreads_{false};
    bool onScreen_ = false;  // the display is the machine's screen, with a user
    std::unique_ptr<platform::Display> display_;
    std::unique_ptr<SSWnd> mainWindow_;
    std::unique_ptr<PreviewWindow> previewWindow_;
    std::unique_ptr<CSceneThread> sceneThread_;
    SaverMode mode_ = SaverMode::Unknown;
    std::string hostWindowVariable_;
    HostDrawTarget hostTarget_;  // where a hosted saver draws
    uint64_t embeddedScenarioEnd_ = 0;
    bool exited_ = false;
    std::string playingScenarioPath_;
    std::atomic<bool> nothingToPlay_{false};
    int64_t lastTimerDownload_ = 0;
    std::unique_ptr<SaverSettings> settings_;
    SaverConfig config_;
    std::unique_ptr<DownloadStatus> downloadStatus_;
    std::unique_ptr<RuntimeUpdateHost> updateHost_;
    std::unique_ptr<DownloadControl> downloadControl_;
};

// The application object of the running program (null when none).
RuntimeApp* TheApp();

// The display name of a program file, which names its settings.
std::string ProgramDisplayName(const std::string& programPath);
// The program file's name without folder and extension.
std::string ProgramSaverName(const std::string& programPath);

}  // namespace korv
