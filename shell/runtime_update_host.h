#pragma once
// What the update process sees of the running application: the saver's
// settings, the status screen, the reload of the scenario and the saver
// window's notices; and the current configuration that each update starts
// from. The site and interval are written by the download thread and read by
// the window's thread, so they pass through a lock.

#include <mutex>

#include "shell/updated_application.h"
#include "update/update_job.h"

namespace korv {

class DownloadStatus;

class RuntimeUpdateHost : public UpdateHost {
public:
    RuntimeUpdateHost(UpdatedApplication& app, DownloadStatus& status) : app_(app), status_(status) {}

    void MoveToSite(const std::string& siteUrl, const std::string& sourceName) override;
    void SetRefreshMinutes(int32_t minutes) override;
    SaverSettings& Settings() override;
    DownloadProgress& Progress() override;
    void ReportStatus(int code, const std::string& text) override;
    bool ReloadScenario(const std::string& path) override;
    bool ScenarioLoads(const std::string& path) override;
    std::string PlayingScenario() override;
    void CloseForNewerFormat() override;
    void RequestDownloadAtStart() override;
    bool FirstUpdate() override;
    void ClearFirstUpdate() override;
    bool NothingPlays() override;
    bool PlayStoredScenario(const std::string& path) override;

    int32_t RefreshMinutes();
    // The configuration as it stands now: what the next update works with.
    SaverConfig Config();

private:
    UpdatedApplication& app_;
    DownloadStatus& status_;
    std::mutex mutex_;
    bool firstUpdate_ = true;  // guarded by mutex_
};

}  // namespace korv
