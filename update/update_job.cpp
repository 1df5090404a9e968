#include "update/update_job.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "scenario/scenario_compiler.h"
#include "scenario/script_values.h"
#include "saver/data_files.h"
#include "saver/log.h"
#include "saver/program_file.h"
#include "saver/saver_settings.h"
#include "update/site_address.h"
#include "update/content_store.h"
#include "update/downloader.h"
#include "update/interrupted_writes.h"
#include "update/text_container.h"
#include "update/update_config.h"

namespace korv {

namespace {

std::string TextFileName(size_t number) { return FormatText("TextFile%03zu.html", number); }

// A body whose length the server does not announce may be a little larger
// than the size the script declares; far beyond it, it is no such object.
// An announced length is trusted (up to the overall cap): a script that
// declares a wrong size must not make its object fail for ever.
uint64_t BodyLimitFor(int32_t declaredSize) {
    uint64_t size = static_cast<uint64_t>(std::max(declaredSize, 0));
    return std::min<uint64_t>(platform::kHttpMaxBodyBytes, size + size / 4 + (uint64_t{1} << 20));
}

}  // namespace

CKorvException::CKorvException(int stepCode) : Exception("update failed at step " + std::to_string(stepCode)), step(stepCode) {}

UpdateJob::UpdateJob(UpdateHost& host, SaverConfig config, const platform::Event& stop)
    : host_(host), stop_(stop), config_(std::move(config)) {}

void UpdateJob::Report(int code, const std::string& text) {
    if (code != StatusNone) reported_ = true;
    host_.ReportStatus(code, text);
}

void UpdateJob::ThrowIfStopped() const {
    if (stop_.IsSet()) throw CKorvException(StepStopped);
}

FetchOptions UpdateJob::DownloadOptions() {
    FetchOptions options = FetchOptionsFor(config_, workingFolder_);
    options.stop = &stop_;
    options.progressCounters = &host_.Progress();
    options.statusReport = [this](int code, const std::string& text) { Report(code, text); };
    return options;
}

bool UpdateJob::FetchConfig(std::string& redirect) {
    const std::string name = ConfigFileName(config_.sourceName);
    if (!IsPlainFileName(name)) return false;
    FetchOptions options = DownloadOptions();
    options.bodyLimit = 1 << 20;
    Downloader downloader(std::move(options));
    downloader.SetMode(DownloadMode::TextSource);
    try {
        downloader.Fetch(name, config_.siteUrl + "/" + name, false);
    } catch (const CDownloadException& failure) {
        AppLog("Download korv.upt - fail");
        if (failure.kind == CDownloadException::kConnection) throw CKorvException(StepConnection);
        if (failure.kind == CDownloadException::kStopped) throw CKorvException(StepStopped);
        if (failure.kind == CDownloadException::kStatus) AppLog(FormatText("Server error. Server returned code [%d]", failure.code));
        return false;
    }
    bool read = ApplyUpdateConfig(platform::JoinPath(workingFolder_, name), host_.Settings());
    if (read) {
        int32_t minutes = EffectiveIntervalFromServer(host_.Settings());
        if (minutes > 0) host_.SetRefreshMinutes(minutes);
        redirect = host_.Settings().ReadString(Setting::RedirectValue);
        // A target written without a scheme ("host/path") means http, as the
        // site address does; compared as written it would never match.
        redirect = redirect.empty() ? config_.siteUrl : EnsureScheme(redirect);
    }
    AppLog("Download korv.upt - ok");
    return read;
}

bool UpdateJob::FetchScript(const std::string& name, const std::string& url) {
    Downloader downloader(DownloadOptions());
    downloader.SetMode(DownloadMode::ScriptPage);
    try {
        downloader.Fetch(name, url, true);
    } catch (const CDownloadException& failure) {
        if (failure.kind == CDownloadException::kConnection) throw CKorvException(StepConnection);
        if (failure.kind == CDownloadException::kStopped) throw CKorvException(StepStopped);
        if (failure.kind == CDownloadException::kWrite)
            AppLog("Cannot write the script page: " + failure.text);
        else
            AppLog(FormatText("Server error. Server returned code [%d]", failure.code));
        return false;
    }
    return true;
}

bool UpdateJob::FetchInto(Downloader& downloader, const std::string& name, const std::string& url) {
    try {
        downloader.Fetch(name, url, true);
    } catch (const CDownloadException& failure) {
        AppLog("Fajl ne postoji, i nije uspesno skinut sa servera");
        if (!failure.text.empty()) AppLog(failure.text);
        return false;
    }
    AppLog("Fajl ne postoji, i uspesno je skinut sa servera");
    changed_ = true;
    return true;
}

bool UpdateJob::CheckTextSource(const std::string& url, size_t number) {
    const std::string name = TextFileName(number);
    FetchOptions options = DownloadOptions();
    options.bodyLimit = 16 << 20;
    Downloader downloader(std::move(options));
    if (FileExists(platform::JoinPath(workingFolder_, name)) && downloader.IsSameAsRemote(name, url, BodyReading::Lines)) {
        AppLog(FormatText("File %s is identical to remote copy, skipping...\n", name.c_str()));
        return true;
    }
    downloader.SetMode(DownloadMode::TextSource);
    return FetchInto(downloader, name, url);
}

bool UpdateJob::CheckSiteObject(const std::string& name, const std::string& url) {
    Downloader downloader(DownloadOptions());
    if (FileExists(platform::JoinPath(workingFolder_, name)) && downloader.IsSameAsRemote(name, url, BodyReading::Raw)) {
        AppLog(FormatText("File %s is identical to remote copy, skipping...\n", name.c_str()));
        return true;
    }
    downloader.SetMode(DownloadMode::SiteObject);
    return FetchInto(downloader, name, url);
}

bool UpdateJob::CheckRemoteObject(const std::string& name, const std::string& url, int32_t declaredSize) {
    FetchOptions options = DownloadOptions();
    options.unannouncedBodyLimit = BodyLimitFor(declaredSize);
    Downloader downloader(std::move(options));
    uint64_t size = 0;
    int64_t time = 0;
    if (GetFileSizeAndTime(platform::JoinPath(workingFolder_, name), size, time)) {
        int64_t localSize = static_cast<int64_t>(size);
        if (downloader.HasSameTimestamp(name, localSize, time, url)) {
            AppLog(FormatText("File %s is identical to remote copy, skipping...\n", name.c_str()));
            return true;
        }
        AppLog("Fajl nije identican fajlu na serveru");
        host_.Progress().objectSize = static_cast<int>(std::clamp<int64_t>(localSize, 0, INT32_MAX));
        downloader.Options().unannouncedBodyLimit =
            BodyLimitFor(static_cast<int32_t>(std::clamp<int64_t>(localSize, declaredSize, INT32_MAX)));
    }
    downloader.SetMode(DownloadMode::RemoteObject);
    return FetchInto(downloader, name, url);
}

void UpdateJob::RunUpdate() {
    config_.siteUrl = EnsureScheme(config_.siteUrl);
    changed_ = false;
    compiled_ = false;
    reported_ = false;
    DownloadProgress& progress = host_.Progress();
    host_.ReportStatus(StatusNone, "");
    progress.objectTotal = 0;
    progress.objectNumber = 0;
    AppLog(FormatText("Startujem update %s", config_.sourceName.c_str()));
    AppLog("--------------------------------------------");

    std::string redirect;
    if (FetchConfig(redirect) && SiteDirectory(config_.siteUrl) != SiteDirectory(redirect)) {
        host_.MoveToSite(SiteDirectory(redirect), SiteFileName(redirect));
        Report(StatusRedirect, redirect);
        throw CKorvException(StepRedirect);
    }

    if (!FetchScript(config_.sourceName, config_.siteUrl)) {
        AppLog("Ne postoji zadati fajl, gledam da li postoji default/index");
        if (!FetchScript("", "")) {
            Report(StatusNoScriptPage, "");
            throw CKorvException(StepScriptPage);
        }
    }
    AppLog("Script downloaded ok.");
    const std::string page = platform::JoinPath(workingFolder_, kScriptPageFileName);

    if (!script_.ExtractScript(page, platform::JoinPath(workingFolder_, "temp.vel"))) {
        Report(StatusNoScript, "");
        AppLog("Ekstrakcija KORV podataka - fail");
        throw CKorvException(StepNoScript);
    }
    AppLog("Ekstrakcija KORV podataka - ok");
    if (!script_.SplitStatements()) {
        AppLog("Parsiranje KORV podataka - fail");
        Report(StatusStatementsFailed, "");
        throw CKorvException(StepStatements);
    }
    AppLog("Parsiranje KORV podataka - ok");
    if (!script_.CollectObjects()) {
        AppLog("Pokupi podatke o objektima za download - fail");
        Report(StatusObjectsFailed, "");
        throw CKorvException(StepObjects);
    }
    if (script_.ScriptVersion() >= 0) scriptVersion_ = script_.ScriptVersion();
    AppLog("Pokupi podatke o objektima za download - ok");

    std::string tempFolder = workingFolder_;
    // What a write cut short by a crash left in the latest folder (the one
    // an update fills) is of no use to anyone.
    std::string latest;
    CountVersions(config_.saverName, latest);
    RemoveInterruptedWrites(latest);
    if (!ChooseVersion(config_.saverName, tempFolder, workingFolder_, changed_)) throw CKorvException(StepVersion);
    std::error_code ignored;
    std::filesystem::remove(platform::JoinPath(workingFolder_, CandidateBaseName(config_.saverName) + ".zep"), ignored);
    if (!script_.ExtractScript(page, platform::JoinPath(workingFolder_, config_.saverName + ".vel")))
        throw CKorvException(StepScriptCopy);
    if (stop_.IsSet()) {
        AppLog("Tred se zaustvalja, kraj provere");
        throw CKorvException(StepStopped);
    }

    const std::vector<ScriptObject>& objects = script_.Objects();
    progress.objectTotal = static_cast<int>(objects.size()) - script_.TextCount();
    textSources_.clear();
    AppLog("Startujem proveru objekata");
    // Compiling needs every named file: one object that is neither current
    // nor fetched fails the update, and the scenario that plays stays.
    std::vector<std::string> failed;
    int textsSeen = 0;
    for (size_t i = 0; i < objects.size(); ++i) {
        const std::string name = UnescapeText(objects[i].name);
        std::string url = UnescapeText(objects[i].url);
        const int32_t kind = objects[i].kind;
        if (kind != kTextSourceKind) {
            progress.objectSize = kind;
            progress.objectNumber = static_cast<int>(i) - textsSeen + 1;
        } else {
            ++textsSeen;
        }
        AppLog(FormatText("Proveravam fajl : %s", platform::JoinPath(workingFolder_, name).c_str()));
        AppLog(FormatText("Velicina:%d", kind));
        bool ok = true;
        std::string failedName = name;
        if (kind == kTextSourceKind) {
            auto known = std::find(textSources_.begin(), textSources_.end(), url);
            if (known == textSources_.end()) {
                failedName = TextFileName(textSources_.size()) + " (" + url + ")";
                ok = CheckTextSource(url, textSources_.size());
                // The list numbers the stored files, so a source that failed
                // still takes its place: later sources keep their numbers.
                textSources_.push_back(url);
            }
        } else if ((kind == kSitePageKind || kind > 0) &&
                   (!IsPlainFileName(name) || IsStoreOwnName(name, config_.saverName))) {
            // A name from the site that would lead out of the version folder
            // or take the place of the store's own files.
            AppLog(FormatText("Refused file name: %s", name.c_str()));
            ok = false;
        } else if (kind == kSitePageKind) {
            ok = CheckSiteObject(name, EnsureScheme(config_.siteUrl + "/" + name));
        } else if (kind > 0) {
            ok = CheckRemoteObject(name, EnsureScheme(url), kind);
        }
        if (!ok) {
            AppLog(FormatText("Object not fetched: %s", failedName.c_str()));
            failed.push_back(failedName);
        }
        ThrowIfStopped();
    }
    if (objects.empty()) changed_ = true;
    if (!failed.empty()) {
        if (!reported_) Report(StatusUpdateFailed, "Could not download " + failed.front());
        throw CKorvException(StepObjects);
    }
    // A version whose scenario is known to load needs no new compile
    // unless something in it changed.
    if (!changed_ && IsMarkedPlayable(workingFolder_, config_.saverName)) return;
    CompilePlayableScenario();
}

// The new scenario is compiled beside the one in the folder and takes its
// place only once it has loaded in full: a scenario that compiles but does
// not load (a reference to an undeclared object, say) is never played, and
// the folder keeps what it had.
void UpdateJob::CompilePlayableScenario() {
    const std::string candidateBase = CandidateBaseName(config_.saverName);
    const std::string candidate = platform::JoinPath(workingFolder_, candidateBase + ".zep");
    CompileRequest request;
    request.statements = script_.Statements();
    request.contentFolder = workingFolder_;
    request.outputFolder = workingFolder_;
    request.baseName = candidateBase;
    request.textSources = textSources_;
    request.readTextItem = ReadTextItem;
    ScenarioCompiler compiler(std::move(request));
    CompileResult result;
    {
        // The compiler's messages (a file it cannot read) go to the log,
        // never to a dialog the download thread would wait on.
        platform::ThreadMessageCollector messages;
        result = compiler.Compile();
        for (const std::string& message : messages.Texts()) AppLog(message);
        if (result != CompileResult::Ok && !messages.Texts().empty()) Report(StatusUpdateFailed, messages.Texts().front());
    }
    if (compiler.ScriptVersion() > scriptVersion_) scriptVersion_ = compiler.ScriptVersion();
    if (result != CompileResult::Ok) throw CKorvException(StepCompile);

    std::error_code ignored;
    if (!CandidateLoads(candidate)) {
        std::filesystem::remove(candidate, ignored);
        throw CKorvException(StepCompile);
    }
    std::error_code error;
    std::filesystem::rename(candidate, ScenarioFileIn(workingFolder_, config_.saverName), error);
    if (error || !MarkPlayable(workingFolder_)) {
        std::filesystem::remove(candidate, ignored);
        AppLog("Cannot store the new scenario in " + workingFolder_);
        throw CKorvException(StepCompile);
    }
    compiled_ = true;
}

bool UpdateJob::CandidateLoads(const std::string& path) {
    platform::ThreadMessageCollector collector;
    const bool loads = host_.ScenarioLoads(path);
    const std::vector<std::string>& messages = collector.Texts();
    for (const std::string& message : messages) AppLog(message);
    if (!loads) {
        AppLog("The new scenario does not load, it is not played: " + path);
        Report(StatusUpdateFailed, "The new content does not load" + (messages.empty() ? std::string() : ": " + messages.front()));
    }
    return loads;
}

std::string UpdateFailureText(int step) {
    static const char* const kWhat[] = {
        "the site cannot be reached",
        "the script page is missing",
        "the page holds no script",
        "the script cannot be read",
        "a file the script names could not be downloaded",
        "no version folder could be made",
        "the script could not be stored",
        "the update was stopped",
        "the script did not compile",
        "the saver moved to another site",
    };
    if (step < 0 || step > StepRedirect) return FormatText("Update failed (step %d)", step);
    return FormatText("Update failed (step %d): %s", step, kWhat[step]);
}

UpdateOutcome RunDownloadThreadBody(UpdateHost& host, const SaverConfig& config, const platform::Event& stop,
                                    platform::Event& idle) {
    UpdateOutcome outcome;
    DownloadProgress& progress = host.Progress();
    progress.objectTotal = 0;
    progress.objectNumber = 0;
    UpdateJob job(host, config, stop);
    const std::string& saverName = config.saverName;
    // The script page and the configuration go to the saver's own place:
    // a page that cannot be written must not leave another saver's to be read.
    std::string tempFolder = SaverTempFolder(InitStoreFolders(), saverName);
    RemoveInterruptedWrites(tempFolder);
    job.SetWorkingFolder(tempFolder);
    try {
        job.RunUpdate();
    } catch (const CKorvException& failure) {
        outcome.step = failure.step;
        outcome.versionFolder = job.WorkingFolder();
        AppLog("Update Screen saver - fail");
        if (!job.Reported() && failure.step != StepStopped) host.ReportStatus(StatusUpdateFailed, UpdateFailureText(failure.step));
        if (job.ScriptVersion() > kHighestScriptVersion) {
            host.CloseForNewerFormat();
            idle.Set();
            return outcome;
        }
        if (!stop.IsSet()) stop.Wait(3000);
        if (failure.step != StepConnection && failure.step != StepRedirect)
            host.Settings().WriteInt(Setting::SessionStatus, 1);
        if (failure.step == StepRedirect) {
            idle.Set();
            host.RequestDownloadAtStart();
        } else if (!stop.IsSet() && host.NothingPlays()) {
            // The first check of a saver that checks before it plays failed:
            // what the user had keeps playing instead of the status screen.
            const std::string playable = PlayableVersionFolder(saverName);
            if (!playable.empty() && host.PlayStoredScenario(ScenarioFileIn(playable, saverName)))
                AppLog("Check failed: playing the stored version");
        }
        return outcome;
    }
    AppLog("Update Screen saver - ok");
    outcome.ok = true;
    outcome.changed = job.Compiled();
    outcome.versionFolder = job.WorkingFolder();
    if (!stop.IsSet()) {
        const std::string playable = PlayableVersionFolder(saverName);
        const std::string scenarioPath = ScenarioFileIn(playable, saverName);
        // A scenario made by this update, a newer playable one that another
        // process made, or the first check of a saver that shows the status
        // screen is worth a reload: reloading what plays would only restart it.
        bool firstCheck = host.FirstUpdate() && config.alwaysCheck != 0;
        bool newerInStore = !scenarioPath.empty() && scenarioPath != host.PlayingScenario();
        if (job.Compiled() || firstCheck || newerInStore) {
            host.ClearFirstUpdate();
            AppLog("scene changed");
            outcome.reloaded = host.ReloadScenario(scenarioPath);
        } else {
            AppLog("scene not changed, continue. Writing check time anyway");
            host.Settings().WriteInt(Setting::LastUpdate, static_cast<int32_t>(platform::SystemClock().Now()));
        }
        host.ClearFirstUpdate();
    }
    idle.Set();
    return outcome;
}

}  // namespace korv
