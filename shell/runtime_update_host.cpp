#include "shell/runtime_update_host.h"

#include "scenario/scenario.h"
#include "shell/download_status.h"

namespace korv {

SaverConfig RuntimeUpdateHost::Config() {
    std::lock_guard lock(mutex_);
    return app_.Config();
}

void RuntimeUpdateHost::MoveToSite(const std::string& siteUrl, const std::string& sourceName) {
    std::lock_guard lock(mutex_);
    app_.Config().siteUrl = siteUrl;
    app_.Config().sourceName = sourceName;
}

void RuntimeUpdateHost::SetRefreshMinutes(int32_t minutes) {
    std::lock_guard lock(mutex_);
    app_.Config().refreshMinutes = minutes;
}

int32_t RuntimeUpdateHost::RefreshMinutes() {
    std::lock_guard lock(mutex_);
    return app_.Config().refreshMinutes;
}

SaverSettings& RuntimeUpdateHost::Settings() { return app_.Settings(); }

DownloadProgress& RuntimeUpdateHost::Progress() { return status_.Progress(); }

void RuntimeUpdateHost::ReportStatus(int code, const std::string& text) { status_.ReportStatus(code, text); }

bool RuntimeUpdateHost::ReloadScenario(const std::string& path) {
    return app_.ReloadUpdatedScenario(path);
}

bool RuntimeUpdateHost::NothingPlays() { return app_.NothingToPlay(); }

bool RuntimeUpdateHost::PlayStoredScenario(const std::string& path) { return app_.ReloadScenario(path, false) == 1; }

bool RuntimeUpdateHost::ScenarioLoads(const std::string& path) {
    Scenario probe;
    return app_.LoadScenarioInto(probe, path, false) != 0;
}

std::string RuntimeUpdateHost::PlayingScenario() { return app_.PlayingScenarioPath(); }

void RuntimeUpdateHost::CloseForNewerFormat() { app_.CloseForNewerFormat(); }

void RuntimeUpdateHost::RequestDownloadAtStart() { app_.RequestDownloadAtStart(); }

bool RuntimeUpdateHost::FirstUpdate() {
    std::lock_guard lock(mutex_);
    return firstUpdate_;
}

void RuntimeUpdateHost::ClearFirstUpdate() {
    std::lock_guard lock(mutex_);
    firstUpdate_ = false;
}

}  // namespace korv
