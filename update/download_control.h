#pragma once
// Runs updates on a thread of their own, one at a time, so the scenario
// keeps playing: starts a download thread per update, refuses a second while
// one is busy or after one failed, and stops and reaps finished threads.

#include <memory>
#include <string>

#include "platform/event.h"
#include "platform/thread.h"
#include "update/update_job.h"

namespace korv {

// One update on its own thread; ends when the update does.
class CDownloadThread : public platform::Thread {
public:
    CDownloadThread(UpdateHost& host, SaverConfig config, const platform::Event& stop, platform::Event& idle);
    ~CDownloadThread() override;
    const UpdateOutcome& Outcome() const { return outcome_; }

protected:
    bool InitInstance() override;

private:
    UpdateHost& host_;
    SaverConfig config_;
    const platform::Event& stop_;
    platform::Event& idle_;
    UpdateOutcome outcome_;
};

class DownloadControl {
public:
    DownloadControl();
    ~DownloadControl();
    DownloadControl(const DownloadControl&) = delete;
    DownloadControl& operator=(const DownloadControl&) = delete;

    // Starts one update of the saver `config` describes, for `host`, unless
    // "SessionStatus" is 1 (and `despiteSessionStatus` is not set), an update
    // is running or a finished thread was not reaped yet.
    void StartDownload(UpdateHost& host, const SaverConfig& config, bool despiteSessionStatus = false);
    // Reaps a thread that finished well; with `force`, also stops a running
    // or failed one and waits for it to end, at most `waitMs`. False when the
    // thread is still running then: it stays held (with the events it uses)
    // and the caller must not let it outlive this object.
    bool StopDownload(bool force, uint32_t waitMs = platform::kInfinite);

    bool Busy() const { return !idle_.IsSet(); }
    bool HasThread() const { return thread_ != nullptr; }
    // The last update failed and its thread has ended (it is kept until a
    // forced stop reaps it).
    bool EndedAfterFailure() const { return thread_ != nullptr && thread_->HasEnded() && !idle_.IsSet(); }
    const platform::Event& IdleEvent() const { return idle_; }

private:
    std::unique_ptr<CDownloadThread> thread_;
    platform::Event stop_{false};
    platform::Event idle_{true};
};

}  // namespace korv
