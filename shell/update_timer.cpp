// The update timer of the saver window: every five seconds it decides
// whether the update interval has passed and, when it has (or when the
// window asks for an update at once), has the download control start one.

#include "platform/clock.h"
#include "saver/log.h"
#include "shell/runtime_app.h"
#include "shell/runtime_update_host.h"
#include "shell/saver_window.h"
#include "update/download_control.h"

namespace korv {

namespace {

// How often a saver without content tries again after a failed update.
constexpr int64_t kEmptySaverRetrySeconds = 5 * 60;

}  // namespace

void RuntimeApp::OnUpdateTimer(SSWnd& window) {
    AppLog("tajmer");
    if (config_.updateStatus != 0) {
        AppLog("Do not update ss, skipping update");
        return;
    }
    if (config_.playerType != PlayerBuiltIn && config_.playerType != PlayerRemote) return;
    if (!downloadControl_) downloadControl_ = std::make_unique<DownloadControl>();
    RuntimeUpdateHost& host = Updates();

    const int64_t now = platform::SystemClock().Now();
    AppLog("--------------------------------------------");
    AppLog("Tajmer je okinuo u: " + platform::LocalClockText(now));
    // A saver with nothing to play keeps trying while its status screen
    // shows why the last update failed, whatever "SessionStatus" says: one
    // failure at start (no network yet) must not leave it blank until the
    // next run.
    if (nothingToPlay_ && downloadControl_->EndedAfterFailure() && now - lastTimerDownload_ >= kEmptySaverRetrySeconds) {
        AppLog("Nothing to play yet, trying the update again");
        downloadControl_->StopDownload(true);
        lastTimerDownload_ = now;
        downloadControl_->StartDownload(host, host.Config(), true);
        return;
    }
    if (window.DownloadAtStart()) {
        window.SetDownloadAtStart(false);
        window.RestartUpdateTimer();
        if (Settings().ReadInt(Setting::LastUpdate) == 0)
            Settings().WriteInt(Setting::LastUpdate, static_cast<int32_t>(now));
        AppLog("Download wrapper starting download");
        downloadControl_->StopDownload(false);
        lastTimerDownload_ = now;
        downloadControl_->StartDownload(host, host.Config());
        return;
    }
    // LastUpdate is stored as a 32-bit count of seconds.
    const int64_t lastUpdate = static_cast<uint32_t>(Settings().ReadInt(Setting::LastUpdate));
    const int64_t elapsed = (now - lastUpdate) / 60;
    AppLog("Vreme proteklo od poslednjeg starta u minutima je " + std::to_string(elapsed));
    if (elapsed < host.RefreshMinutes()) {
        AppLog("Zadati interval nije protekao");
        return;
    }
    downloadControl_->StopDownload(false);
    AppLog("Download wrapper starting download");
    if (!downloadControl_->Busy()) lastTimerDownload_ = now;
    downloadControl_->StartDownload(host, host.Config());
}

}  // namespace korv
