#include "shell/runtime_app.h"

#include <chrono>
#include <filesystem>
#include <new>

#include "media/desktop/desktop_pictures.h"
#include "media/temporary_media_file.h"
#include "platform/display.h"
#include "platform/screen_metrics.h"
#include "platform/system_info.h"
#include "scenario/scene_thread.h"
#include "shell/preview_window.h"
#include "shell/saver_window.h"
#include "shell/settings_program.h"
#include "shell/speed_calibration.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/password_service.h"
#include "platform/process.h"
#include "platform/process_end.h"
#include "resources/string_table.h"
#include "scenario/scenario.h"
#include "saver/browser.h"
#include "shell/download_status.h"
#include "shell/runtime_update_host.h"
#include "saver/data_files.h"
#include "saver/path_parts.h"
#include "saver/user_folders.h"
#include "saver/log.h"
#include "saver/program_file.h"
#include "shell/system_metrics.h"
#include "update/content_store.h"
#include "update/download_control.h"
#include "update/interrupted_writes.h"

namespace korv {

namespace {

RuntimeApp* theApp = nullptr;

constexpr int kDecisionEnd = 0;
constexpr int kDecisionWindowRunning = 1;
constexpr int kDecisionLoaded = 2;

constexpr int kWindows2000 = 4;

}  // namespace

RuntimeApp* TheApp() { return theApp; }

std::string ProgramDisplayName(const std::string& programPath) {
    return std::filesystem::path(programPath).filename().string();
}

std::string ProgramSaverName(const std::string& programPath) {
    return std::filesystem::path(programPath).stem().string();
}

RuntimeApp::RuntimeApp(Options options) : options_(std::move(options)) {
    if (!options_.settingsStore) options_.settingsStore = platform::SettingsStore::ForUser();
    ResetGlobalScenario();
    theApp = this;
}

RuntimeApp::~RuntimeApp() {
    ExitInstance();
    downloadControl_.reset();
    if (theApp == this) theApp = nullptr;
}

void RuntimeApp::LoadSaverSettings() {
    appName = ProgramDisplayName(options_.programPath);
    platform::SetDefaultMessageBoxCaption(appName);

    settings_ = std::make_unique<SaverSettings>(*options_.settingsStore, appName);
    settings_->WriteInt(Setting::SessionStatus, 0);

    ReadConnectionSettings(*settings_, config_);
}

bool RuntimeApp::LoadSaverPayload() {
    platform::File programFile;
    if (!programFile.Open(options_.programPath, platform::File::Mode::Read)) {
        platform::ShowMessageBox("error");
        return false;
    }
    Payload payload;
    try {
        payload = ReadPayload(programFile, *settings_);
    } catch (const Exception&) {
        return false;
    }
    programFile.Close();
    embeddedScenarioEnd_ = payload.payloadOffset;
    ReadPayloadConfig(payload, *settings_, config_);
    config_.saverName = ProgramSaverName(options_.programPath);
    return true;
}

bool RuntimeApp::InitInstance() {
    // A full file system or a file size limit fails a write, never the saver.
    platform::FailWritesBeyondFileSizeLimit();
    // Diagnostic logs of an earlier run never survive a new start.
    std::string logFolder = LogFolder();
    std::error_code ignored;
    std::filesystem::remove(platform::JoinPath(logFolder, kAppLogFileName), ignored);
    AppLogOpen(platform::JoinPath(logFolder, kAppLogFileName));
    AppLog("Starting runtime");
    SetFileLogName(platform::JoinPath(logFolder, kFileLogFileName));
    SetFileLogEnabled(false);
    FileLogDelete();
    SetFileLogEnabled(DiagnosticLoggingRequested());

    desktopBitmapPath = TempFilePath("desktop.bmp");
    wallpaperBitmapPath = TempFilePath("wallpaper.bmp");
    // Even an end that cannot finish normally leaves no pictures behind.
    platform::SetLastResortCleanUp([desktop = desktopBitmapPath, wallpaper = wallpaperBitmapPath] {
        std::error_code ignored;
        std::filesystem::remove(desktop, ignored);
        std::filesystem::remove(wallpaper, ignored);
        DeleteAllTemporaryMediaFiles();
    });
    WriteDesktopPictures();

    LoadSaverSettings();
    mode_ = ParseSaverMode(options_.arguments);
    if (mode_ == SaverMode::Unknown) {
        usageError_ = "unknown switch '" + options_.arguments[0] + "'";
        return false;
    }

    if (!LoadSaverPayload()) return false;

    switch (mode_) {
        case SaverMode::Settings:
        case SaverMode::SettingsOwned:
            if (config_.settingsDisabled == 0) ShowSettingsDialog(mode_ == SaverMode::SettingsOwned);
            return false;
        case SaverMode::Preview: return RunPreview();
        case SaverMode::FullScreen: return RunFullScreen();
        case SaverMode::Hosted: {
            auto target = ParseHostDrawTarget(options_.arguments, hostWindowVariable_);
            if (!target) {
                AppLog("The window to draw into is missing or not a window id");
                usageError_ = "the window to draw into is missing or not a window id";
                return false;
            }
            hostTarget_ = *target;
            return RunFullScreen();
        }
        case SaverMode::ChangePassword: RunChangePassword(); return false;
        case SaverMode::Unknown: break;
    }
    return false;
}

bool RuntimeApp::RunPreview() {
    if (options_.arguments.size() < 2) {
        usageError_ = options_.arguments[0] + " needs the window to draw the preview into";
        return false;
    }
    auto parent = ParseWindowHandle(options_.arguments[1]);
    if (!parent) {
        usageError_ = "'" + options_.arguments[1] + "' is not a window";
        return false;
    }
    RegisterWindowClass();
    if (CreatePreviewWindow(*parent)) return true;
    if (display_) usageError_ = "there is no window " + options_.arguments[1] + " to draw the preview into";
    return false;
}

void RuntimeApp::ShowSettingsDialog(bool /*ownedByForegroundWindow*/) {
    std::string program = FindSettingsProgram();
    if (program.empty()) {
        platform::ShowMessageBox("The settings dialog is not installed.", platform::MessageBoxIcon::Information);
        return;
    }
    SettingsProgramInput input;
    input.saverName = appName;
    input.useAuth = config_.useAuth;
    input.username = config_.username;
    input.password = config_.password;
    input.refreshMinutes = config_.refreshMinutes;
    if (!RunSettingsProgram(program, input)) AppLog("The settings program failed: " + program);
}

void RuntimeApp::RunChangePassword() {
    if (auto note = platform::SystemManagedPasswordNote()) {
        platform::ShowMessageBox(*note, platform::MessageBoxIcon::Information);
        return;
    }
    auto library = platform::LoadPasswordChangeLibrary();
    if (!library) {
        platform::ShowMessageBox("MPR.DLL not found: cannot change password.");
        return;
    }
    if (!library->changePassword) {
        platform::ShowMessageBox("PwdChangeProc not found: cannot change password");
        return;
    }
    library->changePassword("SCRSAVE", MainWindowHandle(), 0, 0);
}

bool RuntimeApp::RunFullScreen() {
    if (!RegisterWindowClass()) return false;
    windowClassName = kWindowClassName;

    AppLog(FormatText("Player type:%d, Refresh intertval:%d, URL:%s", config_.playerType, config_.refreshMinutes,
                      config_.siteUrl.c_str()));
    AppLog("Procitao podatke");

    const std::string& saverName = config_.saverName;
    // Temporary files of writes that a crash cut short.
    RemoveInterruptedWrites(options_.settingsStore->Root(), true);
    // The newest version whose scenario is known to load in full.
    std::string playable = ChoosePlayableVersion();
    PurgeOldVersions(saverName);
    std::string scenarioPath = ScenarioFileIn(playable, saverName);
    AppLog(scenarioPath);

    int64_t now = platform::SystemClock().Now();
    auto lastUpdate = static_cast<uint32_t>(settings_->ReadInt(Setting::LastUpdate));
    if (lastUpdate == 0) {
        settings_->WriteInt(Setting::LastUpdate, static_cast<int32_t>(now));
        lastUpdate = static_cast<uint32_t>(now);
    }
    bool expired = (now - int64_t{lastUpdate}) / 60 >= config_.refreshMinutes;
    AppLog(expired ? "Istekao" : "Nije istekao");

    int decision = kDecisionEnd;
    switch (config_.playerType) {
        case PlayerBuiltIn: decision = DecidePlayerBuiltIn(scenarioPath, expired); break;
        case PlayerRemote: decision = DecidePlayerRemote(scenarioPath, expired); break;
        case PlayerClassic:
        case PlayerClassicExitButton:
            AppLog("klasik scr");
            if (!LoadScenario("", true)) {
                AppLog("Klasik player, neuspeo start");
                return false;
            }
            decision = kDecisionLoaded;
            break;
        default: AppLog("Nepoznat tip plejera?"); return false;
    }
    if (decision == kDecisionEnd) return false;
    if (decision == kDecisionWindowRunning) return true;

    AppLog("Inicijalni zep fajl postoji, startujem njega");
    return StartScenario(windowClassName, "", false) == 1;
}

std::string RuntimeApp::ChoosePlayableVersion() {
    const std::string saverName = config_.saverName;
    VersionFolders versions = ListVersions(saverName);
    // Only a folder of the store is swept: without versions, Latest() names
    // one that does not exist (a relative one when there is no site folder).
    if (versions.Count() > 0) RemoveInterruptedWrites(versions.Latest());
    return FindPlayableVersion(versions, saverName, [this, &saverName](const std::string& folder, bool marked) {
        if (marked) return true;
        const std::string scenario = ScenarioFileIn(folder, saverName);
        // Checked without a dialog: a scenario that does not load is passed over.
        platform::ThreadMessageCollector collector;
        Scenario probe;
        const bool loads = LoadScenarioInto(probe, scenario, false) != 0;
        const std::vector<std::string>& messages = collector.Texts();
        for (const std::string& message : messages) AppLog(message);
        if (loads) {
            MarkPlayable(folder);
            return true;
        }
        AppLog("The stored scenario does not load, it is not played: " + scenario);
        ReportDownloadStatus(StatusUpdateFailed,
                             "The stored content does not load" + (messages.empty() ? std::string() : ": " + messages.front()));
        return false;
    });
}

int RuntimeApp::DecidePlayerBuiltIn(const std::string& scenarioPath, bool expired) {
    bool localPresent = FileExists(scenarioPath);
    if (config_.updateStatus == 0 && config_.alwaysCheck != 0 && expired)
        return StartScenario(windowClassName, "", true);
    if (LoadScenario(scenarioPath, !localPresent)) return kDecisionLoaded;
    AppLog("Built-in plejer, greska pri ucitavanju zep, downloadujem...");
    return StartScenario(windowClassName, "", true);
}

int RuntimeApp::DecidePlayerRemote(const std::string& scenarioPath, bool expired) {
    AppLog("Klot plejer");
    if (config_.updateStatus != 0) {
        AppLog("Klot plejer:Do not update");
        ReportDownloadStatus(-100, "");
    } else if (config_.alwaysCheck != 0) {
        AppLog("Klot plejer:Always check");
        if (expired) {
            AppLog("Klot plejer:interval starting");
            return StartScenario(windowClassName, "", true);
        }
    } else {
        AppLog("Klot plejer:Iskljucen always check");
    }
    if (LoadScenario(scenarioPath, false)) return kDecisionLoaded;
    AppLog("Klot plejer:Inicijalni zep fajl ne postoji, downloadujem");
    return StartScenario(windowClassName, "", true);
}

int RuntimeApp::StartScenario(const std::string& className, const std::string& reloadPath, bool downloadAtStart) {
    AppLog("Interpretiraj");
    if (!reloadPath.empty()) return ReloadScenario(reloadPath, true);
    AppLog("Kreiraj SSWnd");
    if (!CreateMainWindow(downloadAtStart)) return 0;
    nothingToPlay_ = downloadAtStart;
    AppLog("Startuj scene tred");
    if (!StartSceneThread(downloadAtStart)) {
        DestroyMainWindow();
        return 0;
    }
    return 1;
}

int RuntimeApp::ReloadScenario(const std::string& path, bool countsAsCheck) {
    // The new file is loaded beside the playing scenario first: a damaged
    // file leaves the old scenario playing.
    auto fresh = std::make_unique<Scenario>();
    if (!LoadScenarioInto(*fresh, path, false)) return 0;
    std::lock_guard lock(sceneMutex_);
    // The window is ending: nothing new may start on it.
    if (windowEnding_) return 0;
    AppLog("Thread kill");
    StopSceneThread();
    AppLog("Scenario kill");
    ReplaceGlobalScenario(std::move(fresh));
    playingScenarioPath_ = path;
    nothingToPlay_ = false;
    AppLog("Scenario reload");
    if (countsAsCheck)
        settings_->WriteInt(Setting::LastUpdate, static_cast<int32_t>(platform::SystemClock().Now()));
    AppLog("Startuj scene tred");
    return StartSceneThread(false) ? 1 : 0;
}

int RuntimeApp::LoadScenario(const std::string& path, bool fromBody) {
    int result = LoadScenarioInto(GlobalScenario(), path, fromBody);
    playingScenarioPath_ = result && !fromBody ? path : std::string();
    return result;
}

int RuntimeApp::LoadScenarioInto(Scenario& target, const std::string& path, bool fromBody) {
    platform::File file;
    if (fromBody) {
        bool opened = file.Open(options_.programPath, platform::File::Mode::Read);
        AppLog("Ucitaj body podatke");
        if (!opened) return 0;
        AppLog("Body informacije ucitane");
    } else if (!file.Open(path, platform::File::Mode::Read)) {
        return 0;
    }

    int result = 0;
    try {
        uint64_t end = UINT64_MAX;
        if (fromBody) {
            file.Seek(static_cast<int64_t>(kEngineSize), platform::File::Origin::Begin);
            // The embedded scenario ends where the payload record begins.
            if (embeddedScenarioEnd_ >= kEngineSize) end = embeddedScenarioEnd_;
        }
        platform::ArchiveReader archive(file, platform::kArchiveBufferSize, end);
        if (fromBody) archive.ReadU32();
        result = ReadSceneList(archive, target) ? 1 : 0;
    } catch (const Exception&) {
        result = 0;
    } catch (const std::bad_alloc&) {
        result = 0;
    }
    file.Close();

    if (config_.siteUrl != config_.siteUrlAtLoad) settings_->WriteString(Setting::RemoteSite, config_.siteUrl);
    return result;
}

bool RuntimeApp::ReadSceneList(platform::ArchiveReader& archive, Scenario& target) {
    target.Clear();
    return target.Load(archive);
}

int RuntimeApp::OsVersionCode() const { return GetOsVersionCode(); }

void RuntimeApp::WriteDesktopPictures() {
    desktopPictures_.Start(desktopBitmapPath, wallpaperBitmapPath, DesktopSettingsSources{&*options_.settingsStore});
}

std::unique_ptr<platform::Display> RuntimeApp::OpenDisplay() {
    onScreen_ = true;
    return platform::OpenSystemDisplay();
}

bool RuntimeApp::CreateMainWindow(bool downloadAtStart) {
    if (!display_) display_ = OpenDisplay();
    if (!display_) return false;
    // The whole virtual screen when the system reports monitors, else the primary screen.
    Rect bounds = display_->MonitorCount() > 0 ? display_->VirtualScreen() : display_->PrimaryScreen();
    if (display_->MonitorCount() <= 0) bounds = Rect::FromSize(0, 0, bounds.Width(), bounds.Height());
    mainWindow_ = std::make_unique<SSWnd>(*this, *settings_, config_, downloadAtStart);
    bool created = false;
    if (mode_ == SaverMode::Hosted)
        created = mainWindow_->CreateInHostWindow(
            *display_, hostTarget_.screenRoot ? display_->ScreenRootWindow() : hostTarget_.window);
    else
        created = mainWindow_->Create(*display_, bounds);
    if (!created) {
        mainWindow_.reset();
        return false;
    }
    return true;
}

bool RuntimeApp::CreatePreviewWindow(uintptr_t parentWindow) {
    if (!display_) display_ = OpenDisplay();
    if (!display_) return false;
    previewWindow_ = std::make_unique<PreviewWindow>(appName);
    if (!previewWindow_->Create(*display_, parentWindow)) {
        previewWindow_.reset();
        return false;
    }
    return true;
}

void RuntimeApp::DestroyMainWindow() {
    if (mainWindow_) mainWindow_->Destroy();
    mainWindow_.reset();
}

uintptr_t RuntimeApp::MainWindowHandle() const {
    return mainWindow_ && mainWindow_->NativeWindow() ? mainWindow_->NativeWindow()->NativeHandle() : 0;
}

bool RuntimeApp::StartSceneThread(bool statusDisplay) {
    if (!mainWindow_) return false;
    CSceneThread::Options options;
    options.window = mainWindow_.get();
    options.speedCalibration = &speedCalibration;
    options.statusDisplay = statusDisplay;
    if (statusDisplay) {
        DownloadStatus& status = Status();
        options.paintStatus = [&status](SceneWindow& window) {
            window.Draw([&status](platform::Surface& surface) { status.Draw(surface); });
        };
    }
    options.showExitButtonBar = config_.playerType == PlayerClassicExitButton;
    options.timesFigure = settings_->ReadInt(Setting::Times);
    options.desktopPictures = {desktopBitmapPath, wallpaperBitmapPath, [this] { desktopPictures_.Wait(); }};
    sceneThread_ = std::make_unique<CSceneThread>(std::move(options));
    if (!sceneThread_->CreateThread(true)) {
        sceneThread_.reset();
        return false;
    }
    sceneThread_->SetPriorityNormal();
    sceneThread_->Resume();
    return true;
}

void RuntimeApp::StopSceneThread() {
    if (!sceneThread_) return;
    sceneThread_->Kill();
    sceneThread_.reset();
}

bool RuntimeApp::StopSceneThreadWithin(uint32_t waitMs) {
    std::unique_ptr<CSceneThread> thread;
    {
        std::unique_lock lock(sceneMutex_, std::defer_lock);
        // A reload that cannot finish (its old thread does not stop) keeps
        // the lock; the window's end does not wait for it.
        if (!lock.try_lock_for(std::chrono::milliseconds(waitMs))) return false;
        windowEnding_ = true;
        thread = std::move(sceneThread_);
    }
    if (!thread || thread->Kill(waitMs)) return true;
    // Still running: the object stays alive for it; the process ends at once.
    (void)thread.release();
    return false;
}

uint32_t RuntimeApp::MeasureSpeed() {
    CSceneThread::Options options;
    options.window = mainWindow_.get();
    options.speedCalibration = &speedCalibration;
    options.calibrationRun = true;
    CSceneThread calibration(std::move(options));
    if (!calibration.CreateThread(true)) return 0;
    calibration.SetPriorityNormal();
    calibration.Resume();
    // An end of the saver cuts the measurement short; the figure is then
    // worthless, and 0 makes the next start measure again.
    const bool interrupted = WaitWhileMeasuring(1000);
    calibration.Kill();
    return interrupted ? 0 : speedCalibration.load();
}

namespace {

// Ends the event loop after the measuring time.
class MeasuringTime : public platform::WindowHandler {
public:
    static constexpr int kOver = -7001;
    explicit MeasuringTime(platform::EventLoop& loop) : loop_(loop) {}
    void OnTimer(uint32_t) override { loop_.Quit(kOver); }

private:
    platform::EventLoop& loop_;
};

}  // namespace

bool RuntimeApp::WaitWhileMeasuring(uint32_t ms) {
    // Without a user (the headless display of tests and offline rendering)
    // there is no input to answer.
    if (!onScreen_ || !display_) return platform::WaitForTerminationRequest(ms);
    platform::EventLoop& loop = display_->Loop();
    MeasuringTime time(loop);
    loop.SetTimer(&time, 1, ms);
    const int code = loop.Run();
    loop.Forget(&time);
    return code != MeasuringTime::kOver;
}

void RuntimeApp::CalibrateSpeedForWindow() {
    platform::SettingsStore& store = *options_.settingsStore;
    uint32_t figure = 0;
    CalibrateSpeed(store, MachineFingerprint(platform::ReadProcessorInfo()), figure, [this] { return MeasureSpeed(); });
    speedCalibration = figure;
}

DownloadStatus& RuntimeApp::Status() {
    if (!downloadStatus_) {
        downloadStatus_ = std::make_unique<DownloadStatus>(GetScreenSize());
    }
    return *downloadStatus_;
}

RuntimeUpdateHost& RuntimeApp::Updates() {
    if (!updateHost_) updateHost_ = std::make_unique<RuntimeUpdateHost>(*this, Status());
    return *updateHost_;
}

void RuntimeApp::ReportDownloadStatus(int code, const std::string& text) { Status().ReportStatus(code, text); }

bool RuntimeApp::ReloadUpdatedScenario(const std::string& path) { return StartScenario(windowClassName, path, false) == 1; }

void RuntimeApp::CloseForNewerFormat() {
    if (SSWnd* window = MainWindow()) window->CloseForNewerFormat();
}

void RuntimeApp::RequestDownloadAtStart() {
    if (SSWnd* window = MainWindow()) window->SetDownloadAtStart(true);
}

void RuntimeApp::EndSaverThreads() {
    // The download thread goes first: it may be reloading the scenario,
    // which starts a new scene thread.
    if (downloadControl_ && !downloadControl_->StopDownload(true, ThreadEndWaitMs())) strayThreads_ = true;
    if (!StopSceneThreadWithin(ThreadEndWaitMs())) strayThreads_ = true;
    if (strayThreads_) AppLog("A thread did not end in time; the program ends at once");
    // Last, so that no box the threads raised on their way out stays.
    platform::CloseMessageBoxes();
}

int RuntimeApp::RunMessageLoop() {
    if (!display_) return 0;
    return display_->Loop().Run();
}

void RuntimeApp::RemoveTemporaryPictures() {
    desktopPictures_.Wait();  // so that no file is written after its removal
    DeleteAllTemporaryMediaFiles();
    std::error_code ignored;
    if (!desktopBitmapPath.empty()) std::filesystem::remove(desktopBitmapPath, ignored);
    if (!wallpaperBitmapPath.empty()) std::filesystem::remove(wallpaperBitmapPath, ignored);
}

void RuntimeApp::ExitInstance() {
    if (exited_) return;
    exited_ = true;
    RemoveTemporaryPictures();
    if (!exitUrl.empty()) OpenExitUrl();
    // A thread left running still uses the scenario, the window and the
    // display; they stay as they are for the moment the process has left.
    if (strayThreads_) return;
    StopSceneThread();
    ResetGlobalScenario();
    mainWindow_.reset();
    previewWindow_.reset();
    display_.reset();
}

void RuntimeApp::OpenExitUrl() {
    if (!IsWebAddress(exitUrl)) {
        AppLog("Refused link: " + exitUrl);
        return;
    }
    if (OsVersionCode() == kWindows2000) {
        std::string browser = GetBrowserPath();
        if (!browser.empty() && FileExists(browser))
            platform::RunProgramAndWait(browser, {exitUrl}, GetFolderPart(browser));
        return;
    }
    OpenUrl(exitUrl);
}

}  // namespace korv
