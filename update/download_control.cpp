#include "update/download_control.h"

#include "platform/message_box.h"
#include "saver/log.h"
#include "saver/saver_settings.h"

namespace korv {

CDownloadThread::CDownloadThread(UpdateHost& host, SaverConfig config, const platform::Event& stop,
                                 platform::Event& idle)
    : host_(host), config_(std::move(config)), stop_(stop), idle_(idle) {}

CDownloadThread::~CDownloadThread() { Join(); }

bool CDownloadThread::InitInstance() {
    // This thread never waits on a dialog: the messages raised during the
    // update go to the log and to the status line.
    platform::ThreadMessageRoute route([this](const platform::MessageBoxRequest& message) {
        AppLog(message.text);
        host_.ReportStatus(StatusUpdateFailed, message.text);
    });
    outcome_ = RunDownloadThreadBody(host_, config_, stop_, idle_);
    return false;  // no message loop: the thread ends with the update
}

DownloadControl::DownloadControl() = default;

// A thread still running is stopped and waited for: none outlives the
// events and the host it uses.
DownloadControl::~DownloadControl() { StopDownload(true); }

void DownloadControl::StartDownload(UpdateHost& host, const SaverConfig& config, bool despiteSessionStatus) {
    if (!despiteSessionStatus && host.Settings().ReadInt(Setting::SessionStatus) == 1) return;
    if (!idle_.IsSet()) {
        AppLog("Tread vec radi, preskacem izvrsenje komande");
        return;
    }
    if (thread_) {
        AppLog(thread_->HasEnded() ? "Tread, object 0" : "Tread, object not 0");
        AppLog("Download tread active, exit");
        return;
    }
    stop_.Reset();
    idle_.Reset();
    thread_ = std::make_unique<CDownloadThread>(host, config, stop_, idle_);
    if (!thread_->CreateThread(false)) {
        thread_.reset();
        idle_.Set();
    }
}

bool DownloadControl::StopDownload(bool force, uint32_t waitMs) {
    AppLog("Stopiram download tred");
    if (!idle_.IsSet() && !force) {
        AppLog("Tred nije zavrsio, preskacem ubijanje treda");
    } else {
        AppLog("Tred zavrsio, ubijam tred");
        if (thread_) {
            stop_.Set();
            AppLog("Event setovan");
            if (!thread_->WaitForEnd(waitMs)) return false;
            thread_->Join();
            thread_.reset();
            idle_.Set();  // no thread is left: the next start may run
        }
    }
    AppLog("Download tred zaustavljen");
    return true;
}

}  // namespace korv
