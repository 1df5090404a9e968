#pragma once
// One update of a saver's content from its web site: the update
// configuration (interval, a move to another site), the script page, the
// choice of the version folder, every file the script names when it is
// missing or out of date, and the compile of the new scenario. The screen
// saver keeps playing meanwhile; the caller reloads it afterwards.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/exception.h"
#include "saver/saver_config.h"
#include "update/download_progress.h"
#include "update/fetch_options.h"
#include "update/script_container.h"

namespace korv {

class Downloader;
class SaverSettings;

// An update failed at step `step` (0–9).
class CKorvException : public Exception {
public:
    explicit CKorvException(int stepCode);
    int step;
    std::string text;
};

enum UpdateStep : int {
    StepConnection = 0,   // the configuration or the script page could not be fetched
    StepScriptPage = 1,   // neither the script page nor the default document
    StepNoScript = 2,     // the page holds no script
    StepStatements = 3,
    StepObjects = 4,      // the objects could not be collected, or one could not be fetched
    StepVersion = 5,      // no version folder could be chosen
    StepScriptCopy = 6,   // the script could not be stored in the version folder
    StepStopped = 7,
    StepCompile = 8,      // the script did not compile, or its scenario did not load
    StepRedirect = 9,     // the configuration moved the saver to another site
};

// Status codes the status screen shows.
enum UpdateStatusCode : int {
    StatusNone = 0,
    StatusNoScriptPage = -1,
    StatusNoScript = -2,
    StatusStatementsFailed = -3,
    StatusObjectsFailed = -4,
    StatusRedirect = -6,
    // A failure the other codes do not name: the message line is the text.
    StatusUpdateFailed = -20,
    StatusUpdatesOff = -100,
};

// What an update needs from the application around it.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    // A redirect: later updates go to this site and page.
    virtual void MoveToSite(const std::string& siteUrl, const std::string& sourceName) = 0;
    virtual void SetRefreshMinutes(int32_t minutes) = 0;
    virtual SaverSettings& Settings() = 0;
    virtual DownloadProgress& Progress() = 0;
    virtual void ReportStatus(int code, const std::string& text) = 0;
    // Plays the scenario at `path` in place of the playing one; false (and
    // the old one plays on) when it cannot be loaded.
    virtual bool ReloadScenario(const std::string& path) = 0;
    // Loads the scenario at `path` in full, as start-up would, without
    // playing it: whether it loads. Called on the update's thread; the
    // messages the loader raises there are taken by the update.
    virtual bool ScenarioLoads(const std::string& path) = 0;
    // The path of the stored scenario that plays; empty when none does (the
    // embedded scenario or the status screen).
    virtual std::string PlayingScenario() = 0;
    // The script needs a newer engine: close the saver with the notice.
    virtual void CloseForNewerFormat() = 0;
    // The next timer tick starts an update at once.
    virtual void RequestDownloadAtStart() = 0;
    // Set at start-up, cleared by the first update that ends.
    virtual bool FirstUpdate() = 0;
    virtual void ClearFirstUpdate() = 0;
    // Whether the saver shows the status screen for want of anything to play.
    virtual bool NothingPlays() { return false; }
    // Plays the stored scenario at `path` after a check that failed, without
    // counting the check as done; false when it cannot be loaded.
    virtual bool PlayStoredScenario(const std::string& path) { return false; }
};

class UpdateJob {
public:
    // `config` is the saver as it stands when the update starts.
    UpdateJob(UpdateHost& host, SaverConfig config, const platform::Event& stop);

    // The Temp folder of the store; the update starts from there.
    void SetWorkingFolder(std::string folder) { workingFolder_ = std::move(folder); }
    // Runs the update; throws CKorvException with the step that failed.
    void RunUpdate();

    bool Changed() const { return changed_; }
    // Whether this update made a new playable scenario: it compiles when
    // the version changed or its folder holds no scenario known to load,
    // only when every named file is present and current, and the scenario
    // counts only once it has loaded.
    bool Compiled() const { return compiled_; }
    // Whether the update put a message on the status line.
    bool Reported() const { return reported_; }
    int32_t ScriptVersion() const { return scriptVersion_; }
    const std::string& WorkingFolder() const { return workingFolder_; }

private:
    // The saver's connection, the working folder, the stop event, the
    // progress counters and the status line, for every fetch of the update.
    FetchOptions DownloadOptions();
    bool FetchConfig(std::string& redirect);
    bool FetchScript(const std::string& name, const std::string& url);
    bool CheckTextSource(const std::string& url, size_t number);
    bool CheckSiteObject(const std::string& name, const std::string& url);
    bool CheckRemoteObject(const std::string& name, const std::string& url, int32_t declaredSize);
    bool FetchInto(Downloader& downloader, const std::string& name, const std::string& url);
    void CompilePlayableScenario();
    bool CandidateLoads(const std::string& path);
    void Report(int code, const std::string& text);
    void ThrowIfStopped() const;

    UpdateHost& host_;
    const platform::Event& stop_;
    SaverConfig config_;
    bool changed_ = false;
    bool compiled_ = false;
    bool reported_ = false;
    int32_t scriptVersion_ = 360;
    std::string workingFolder_;
    ScriptContainer script_;
    std::vector<std::string> textSources_;
};

// What failed at `step`, for the status line.
std::string UpdateFailureText(int step);

// How one run of the download thread ended.
struct UpdateOutcome {
    bool ok = false;
    int step = -1;          // the failed step when not ok
    bool changed = false;   // a new playable scenario was made
    bool reloaded = false;
    std::string versionFolder;
};

// The download thread's work: one update, then the reload of the scenario
// when it changed or the store holds a newer playable version than the one
// that plays (another process may have made it), or the time of the check
// stored when neither. On a
// failure: the newer-format close, a 3 s pause, no further updates in this
// run for steps 1–8, and an update with the new site at the next tick for a
// redirect. `config` is the saver as it stands when the update starts.
// `idle` is set when the thread may be replaced by a new one.
UpdateOutcome RunDownloadThreadBody(UpdateHost& host, const SaverConfig& config, const platform::Event& stop,
                                    platform::Event& idle);

}  // namespace korv
