// Whole updates against a real nginx serving a generated site.

#include "update/update_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <filesystem>
#include <thread>

#include "platform/archive.h"
#include "platform/file.h"
#include "platform/settings_store.h"
#include "scenario/scenario.h"
#include "resources/string_table.h"
#include "saver/log.h"
#include "saver/saver_settings.h"
#include "tests/support/fault_server.h"
#include "tests/support/nginx_server.h"
#include "update/content_store.h"
#include "tests/support/test_environment.h"
#include "update/download_control.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::AccessLogEntry;
using test::NginxServer;

// The application around the update, recording what the update asked of it.
class RecordingHost : public UpdateHost {
public:
    RecordingHost() : settings_(platform::SettingsStore::ForUser(), "Saver") {}

    void MoveToSite(const std::string& url, const std::string& source) override {
        site.siteUrl = url;
        site.sourceName = source;
    }
    void SetRefreshMinutes(int32_t minutes) override { refreshMinutes = minutes; }
    SaverSettings& Settings() override { return settings_; }
    DownloadProgress& Progress() override { return progress; }
    void ReportStatus(int code, const std::string& text) override { statuses.push_back({code, text}); }
    bool ReloadScenario(const std::string& path) override {
        reloads.push_back(path);
        if (!ScenarioLoads(path)) return false;
        playing = path;
        return true;
    }
    // Loads as start-up does: the whole file, every command prepared.
    bool ScenarioLoads(const std::string& path) override {
        platform::File file;
        if (!file.Open(path, platform::File::Mode::Read)) return false;
        try {
            platform::ArchiveReader archive(file, platform::kArchiveBufferSize, UINT64_MAX);
            Scenario scenario;
            return scenario.Load(archive);
        } catch (const Exception&) {
            return false;
        }
    }
    std::string PlayingScenario() override { return playing; }
    void CloseForNewerFormat() override { closedForNewerFormat = true; }
    void RequestDownloadAtStart() override { downloadAtStart = true; }
    bool FirstUpdate() override { return firstUpdate; }
    void ClearFirstUpdate() override { firstUpdate = false; }
    bool NothingPlays() override { return playing.empty() && showsStatusScreen; }
    bool PlayStoredScenario(const std::string& path) override {
        storedPlays.push_back(path);
        playing = path;
        return true;
    }

    // The saver as the next update sees it; a redirect moves it.
    SaverConfig site;
    int32_t refreshMinutes = 0;
    DownloadProgress progress;
    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> reloads;
    std::string playing;
    bool closedForNewerFormat = false;
    bool downloadAtStart = false;
    bool firstUpdate = false;
    bool showsStatusScreen = false;
    std::vector<std::string> storedPlays;

private:
    SaverSettings settings_;
};

class UpdateProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::Available()) GTEST_SKIP() << "nginx is not installed";
        options_.stallLocation = "/slow/";
        server_ = std::make_unique<NginxServer>(options_);
        ASSERT_TRUE(server_->Running()) << server_->Failure();
        host_.site.siteUrl = server_->Url("/site");
        host_.site.sourceName = "index.html";
        host_.site.saverName = "Saver";
    }
    void TearDown() override {
        // The update's own account of what went wrong.
        if (HasFailure())
            for (const std::string& line : log_.lines()) std::cout << "  log: " << line << "\n";
    }

    // The script page: the statements inside the container, each ending
    // with a page line break.
    void PublishScript(const std::vector<std::string>& statements, const std::string& page = "site/index.html") {
        std::string body = "<html><body>\r\n<KORV><br>";
        for (const std::string& statement : statements) body += statement + ";<br>\r\n";
        body += "</KORV>\r\n</body></html>\r\n";
        server_->WriteFile(page, body);
    }
    std::vector<std::string> StandardScript() {
        return {"VERSION 500",
                "IMAGE sky,sky.jpg,5,NRM,0,0,,," + server_->Url("/site/sky.jpg") + ",",
                "TEXT t,greeting,Arial,NRM,-20,,255.255.255,,0.0.0,0,1," + server_->Url("/site/texts.html"),
                "SHOW sky,CTR,CTR,0,0,0,100"};
    }
    void PublishStandardSite() {
        server_->WriteFile("site/sky.jpg", "PIXEL", 1'700'000'000);
        server_->WriteFile("site/texts.html", "<KORVText><br><TextItem=greeting>Hello</TextItem></KORVText>\r\n");
        server_->WriteFile("site/index_config.html",
                           "<KORVConfig><UpdateData Version=400><Update TimeType=1>2</Update></UpdateData></KORVConfig>");
        PublishScript(StandardScript());
    }
    UpdateOutcome Update() {
        platform::Event idle(false);
        UpdateOutcome outcome = RunDownloadThreadBody(host_, host_.site, stop_, idle);
        idleAfter_ = idle.IsSet();
        return outcome;
    }
    fs::path Version(int n) const {
        char name[16];
        std::snprintf(name, sizeof name, "Version%03d", n);
        return fs::path(user_.dataHome()) / "Halcyra" / "KORV" / "Saver" / name;
    }
    std::vector<AccessLogEntry> RequestsSince(size_t first) {
        auto all = server_->AccessLog(first);
        return std::vector<AccessLogEntry>(all.begin() + static_cast<std::ptrdiff_t>(std::min(first, all.size())), all.end());
    }
    bool Logged(const std::string& line) const { return log_.Contains(line); }

    test::IsolatedUser user_;
    test::NginxOptions options_;
    std::unique_ptr<NginxServer> server_;
    RecordingHost host_;
    platform::Event stop_{false};
    test::CapturedLog log_;
    bool idleAfter_ = false;
};

TEST_F(UpdateProcessTest, FirstUpdateFillsVersionZeroAndPlaysIt) {
    PublishStandardSite();
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok) << "step " << outcome.step;
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(outcome.versionFolder, Version(0).string());
    EXPECT_EQ(test::ReadFileBytes(Version(0) / "sky.jpg"), "PIXEL");
    EXPECT_TRUE(fs::exists(Version(0) / "TextFile000.html"));
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.vel"));
    ASSERT_TRUE(fs::exists(Version(0) / "Saver.zep"));
    EXPECT_EQ(host_.reloads, std::vector<std::string>{(Version(0) / "Saver.zep").string()});
    EXPECT_TRUE(idleAfter_);
    EXPECT_EQ(host_.refreshMinutes, 120);  // two hours from the configuration
    EXPECT_TRUE(Logged("Update Screen saver - ok"));
    EXPECT_TRUE(Logged("scene changed"));
}

TEST_F(UpdateProcessTest, UnchangedSiteFetchesNoObjectBodyAndKeepsPlaying) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    host_.reloads.clear();
    size_t before = server_->AccessLog().size();
    auto started = std::chrono::steady_clock::now();
    UpdateOutcome outcome = Update();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_TRUE(outcome.ok);
    EXPECT_FALSE(outcome.changed);
    EXPECT_EQ(outcome.versionFolder, Version(0).string());
    EXPECT_FALSE(fs::exists(Version(1)));
    EXPECT_TRUE(host_.reloads.empty());
    EXPECT_TRUE(Logged("scene not changed, continue. Writing check time anyway"));
    EXPECT_NE(host_.Settings().ReadInt(LoadString(IDS_LAST_UPDATE), 0), 0);
    for (const AccessLogEntry& request : RequestsSince(before)) {
        SCOPED_TRACE(request.method + " " + request.uri);
        // The picture is asked about, never sent again.
        if (request.uri == "/site/sky.jpg") {
            EXPECT_EQ(request.method, "HEAD");
        }
    }
    RecordProperty("unchanged_update_ms", static_cast<int>(took.count()));
}

TEST_F(UpdateProcessTest, UnchangedSiteOfFiftyObjectsCostsOnlyThePagesAndHeadRequests) {
    std::vector<std::string> script = {"VERSION 500"};
    for (int i = 0; i < 50; ++i) {
        std::string name = "picture" + std::to_string(i) + ".jpg";
        server_->WriteFile("site/" + name, std::string(20000, static_cast<char>('a' + i % 26)), 1'700'000'000 + i);
        script.push_back("IMAGE p" + std::to_string(i) + "," + name + ",20000,NRM,0,0,,," + server_->Url("/site/" + name) + ",");
    }
    PublishScript(script);
    server_->WriteFile("site/index_config.html",
                       "<KORVConfig><UpdateData Version=400><Update TimeType=1>2</Update></UpdateData></KORVConfig>");
    ASSERT_TRUE(Update().ok);
    size_t before = server_->AccessLog().size();
    auto started = std::chrono::steady_clock::now();
    UpdateOutcome outcome = Update();
    auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_TRUE(outcome.ok);
    EXPECT_FALSE(outcome.changed);
    uint64_t bodyBytes = 0;
    int heads = 0;
    auto requests = RequestsSince(before);
    for (const AccessLogEntry& request : requests) {
        bodyBytes += request.bodyBytes;
        if (request.method == "HEAD") {
            ++heads;
        } else {
            EXPECT_TRUE(request.uri == "/site/index.html" || request.uri == "/site/index_config.html") << request.uri;
        }
    }
    EXPECT_EQ(heads, 50);
    EXPECT_EQ(requests.size(), 52u);
    std::cout << "unchanged update of 50 objects: " << requests.size() << " requests, " << bodyBytes
              << " body bytes, " << took.count() / 1000.0 << " ms\n";
    RecordProperty("unchanged_update_body_bytes", static_cast<int>(bodyBytes));
    RecordProperty("unchanged_update_us", static_cast<int>(took.count()));
}

TEST_F(UpdateProcessTest, ChangedScriptMakesANewVersionAndChangedObjectsComeAgain) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    // A new picture on the server: fetched again into the same version.
    server_->WriteFile("site/sky.jpg", "PIXEL2", 1'700'000'500);
    UpdateOutcome same = Update();
    ASSERT_TRUE(same.ok);
    EXPECT_TRUE(same.changed);
    EXPECT_EQ(same.versionFolder, Version(0).string());
    EXPECT_EQ(test::ReadFileBytes(Version(0) / "sky.jpg"), "PIXEL2");

    auto script = StandardScript();
    script.push_back("WAIT ,1");
    PublishScript(script);
    host_.reloads.clear();
    UpdateOutcome changed = Update();
    ASSERT_TRUE(changed.ok);
    EXPECT_EQ(changed.versionFolder, Version(1).string());
    EXPECT_TRUE(fs::exists(Version(1) / "Saver.zep"));
    EXPECT_EQ(host_.reloads, std::vector<std::string>{(Version(1) / "Saver.zep").string()});
}

TEST_F(UpdateProcessTest, MissingScriptPageFallsBackToTheDefaultDocument) {
    PublishStandardSite();
    host_.site.sourceName = "absent.html";
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok) << outcome.step;
    EXPECT_TRUE(Logged("Ne postoji zadati fajl, gledam da li postoji default/index"));
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.zep"));

    fs::remove(server_->Root() / "site" / "index.html");
    UpdateOutcome none = Update();
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.step, StepScriptPage);
    EXPECT_EQ(host_.statuses.back().first, StatusNoScriptPage);
    // Steps 1 to 8 stop further updates in this run.
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_SESSION_STATUS), 0), 1);
    EXPECT_FALSE(idleAfter_);
}

TEST_F(UpdateProcessTest, MissingObjectFailsTheUpdateAndNamesTheObject) {
    PublishStandardSite();
    fs::remove(server_->Root() / "site" / "sky.jpg");
    UpdateOutcome outcome = Update();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepObjects);
    EXPECT_FALSE(fs::exists(Version(0) / "Saver.zep"));
    EXPECT_TRUE(host_.reloads.empty());
    bool reported = false;
    for (auto& [code, text] : host_.statuses) reported = reported || (code == 404 && text == "/site/sky.jpg");
    EXPECT_TRUE(reported);
    EXPECT_TRUE(Logged("Fajl ne postoji, i nije uspesno skinut sa servera"));
    EXPECT_TRUE(Logged("Object not fetched: sky.jpg"));
    EXPECT_FALSE(Logged("Update Screen saver - ok"));
    // A failure: no check time (the next run tries at once), no more tries in this run.
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_LAST_UPDATE), 0), 0);
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_SESSION_STATUS), 0), 1);
}

// A saver that checks its site before it plays shows the status screen; when
// that check fails, the version it has plays instead, and the failed check
// is not recorded as one done.
TEST_F(UpdateProcessTest, AFailedFirstCheckPlaysTheStoredVersionInsteadOfTheStatusScreen) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    host_.Settings().WriteInt(LoadString(IDS_LAST_UPDATE), 0);
    host_.playing.clear();
    host_.showsStatusScreen = true;
    fs::remove(server_->Root() / "site" / "index.html");

    EXPECT_EQ(Update().step, StepScriptPage);
    EXPECT_EQ(host_.storedPlays, std::vector<std::string>{(Version(0) / "Saver.zep").string()});
    EXPECT_TRUE(Logged("Check failed: playing the stored version"));
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_LAST_UPDATE), 0), 0);

    // A saver that plays something keeps playing it.
    host_.storedPlays.clear();
    host_.Settings().WriteInt(LoadString(IDS_SESSION_STATUS), 0);
    EXPECT_EQ(Update().step, StepScriptPage);
    EXPECT_TRUE(host_.storedPlays.empty());
}

// A site edit that compiles but refers to an object it never declares: the
// scenario does not load, so it never plays, now or at the next start.
TEST_F(UpdateProcessTest, AScenarioThatDoesNotLoadIsNeverPlayedAndTheOldOneStays) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    host_.reloads.clear();
    host_.Settings().WriteInt(LoadString(IDS_LAST_UPDATE), 0);
    auto script = StandardScript();
    script.push_back("SHOW ghost,CTR,CTR,0,0,0,100");
    PublishScript(script);

    UpdateOutcome outcome = Update();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepCompile);
    EXPECT_TRUE(host_.reloads.empty());
    EXPECT_FALSE(fs::exists(Version(1) / "Saver.zep"));
    EXPECT_FALSE(fs::exists(Version(1) / "Saver.candidate.zep"));
    ASSERT_FALSE(host_.statuses.empty());
    EXPECT_EQ(host_.statuses.back().first, StatusUpdateFailed);
    EXPECT_EQ(host_.statuses.back().second.rfind("The new content does not load: ", 0), 0u) << host_.statuses.back().second;
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_LAST_UPDATE), 0), 0);
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_SESSION_STATUS), 0), 1);
    // What the next start plays, after its purge.
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(0).string());
    ASSERT_TRUE(PurgeOldVersions("Saver"));
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.zep"));
    // The same edit fails again instead of passing as "unchanged".
    EXPECT_EQ(Update().step, StepCompile);
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(0).string());
}

// A newer version that another process (korv-tool update, a second
// instance) made is played at the next check, although this update finds
// nothing new itself.
TEST_F(UpdateProcessTest, ANewerPlayableVersionFromAnotherProcessIsReloaded) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    const std::string first = (Version(0) / "Saver.zep").string();
    EXPECT_EQ(host_.playing, first);
    auto script = StandardScript();
    script.push_back("WAIT ,1");
    PublishScript(script);
    RecordingHost other;  // the other process
    other.site = host_.site;
    platform::Event otherIdle(false);
    ASSERT_TRUE(RunDownloadThreadBody(other, other.site, stop_, otherIdle).ok);

    host_.reloads.clear();
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok);
    EXPECT_FALSE(outcome.changed);  // this update made nothing new
    EXPECT_EQ(host_.reloads, std::vector<std::string>{(Version(1) / "Saver.zep").string()});
    EXPECT_EQ(host_.playing, (Version(1) / "Saver.zep").string());
    EXPECT_FALSE(Logged("scene not changed, continue. Writing check time anyway"));
}

// An update cut short after its objects arrived: the next one compiles them
// and reports the new playable version as a change.
TEST_F(UpdateProcessTest, CompilingWhatAnInterruptedUpdateFetchedCountsAsAChange) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    // As a crash between the fetches and the mark leaves the folder.
    fs::remove(Version(0) / kPlayableMarkName);
    fs::remove(Version(0) / "Saver.zep");
    test::WriteFileBytes(Version(0) / ".download-999999999-AbC123", "half a body");
    test::WriteFileBytes(Version(0) / "Saver.zep.999999999-XyZ789", "half a scenario");
    host_.reloads.clear();
    size_t before = server_->AccessLog().size();
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok) << outcome.step;
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(0).string());
    EXPECT_EQ(host_.reloads.size(), 1u);
    EXPECT_FALSE(fs::exists(Version(0) / ".download-999999999-AbC123"));
    EXPECT_FALSE(fs::exists(Version(0) / "Saver.zep.999999999-XyZ789"));
    for (const AccessLogEntry& request : RequestsSince(before)) {
        if (request.uri == "/site/sky.jpg") {
            EXPECT_EQ(request.method, "HEAD");  // fetched before the interruption
        }
    }
}

// Objects that fail in the ways servers and networks fail: each update
// fails with the objects step, names the object, and the version that
// played before stays the one to play.
TEST_F(UpdateProcessTest, AServerErrorAClosedOrAStalledBodyFailsTheUpdateAndKeepsTheOldContent) {
    PublishStandardSite();
    ASSERT_TRUE(Update().ok);
    host_.site.stallSeconds = 2;
    for (test::Fault fault : {test::Fault::ServerError, test::Fault::CloseMidBody, test::Fault::StallMidBody}) {
        SCOPED_TRACE(static_cast<int>(fault));
        test::FaultServer faulty(fault);
        ASSERT_TRUE(faulty.Running());
        auto script = StandardScript();
        script.push_back("IMAGE bad,bad.jpg,100000,NRM,0,0,,," + faulty.Url("/bad.jpg") + ",");
        script.push_back("WAIT ," + std::to_string(static_cast<int>(fault) + 1));  // a new version each time
        PublishScript(script);
        host_.reloads.clear();
        host_.statuses.clear();
        log_.Clear();
        auto started = std::chrono::steady_clock::now();
        UpdateOutcome outcome = Update();
        auto took = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.step, StepObjects);
        EXPECT_GE(faulty.Requests(), 1);
        EXPECT_TRUE(host_.reloads.empty());
        EXPECT_TRUE(Logged("Object not fetched: bad.jpg"));
        EXPECT_FALSE(Logged("Update Screen saver - ok"));
        EXPECT_EQ(PlayableVersionFolder("Saver"), Version(0).string());
        ASSERT_FALSE(host_.statuses.empty());
        // The status line says what went wrong: the server's status or the object.
        EXPECT_TRUE(host_.statuses.back().first == 500 || host_.statuses.back().first == StatusUpdateFailed)
            << host_.statuses.back().first;
        EXPECT_LT(took.count(), 20);
        for (const auto& entry : fs::directory_iterator(host_.playing.empty() ? Version(0) : fs::path(outcome.versionFolder)))
            EXPECT_NE(entry.path().filename().string().rfind(".download-", 0), 0u) << entry.path();
        host_.Settings().WriteInt(LoadString(IDS_SESSION_STATUS), 0);
    }
}

// The site's configuration may name its redirect target without a scheme.
TEST_F(UpdateProcessTest, ARedirectWithoutASchemeIsFollowedOnceAndThenStays) {
    PublishStandardSite();
    const std::string hostAndPath = server_->Url("/site/index.html").substr(std::string("http://").size());
    server_->WriteFile("site/index_config.html", "<KORVConfig><UpdateData Version=500><Redirect>" + hostAndPath +
                                                     "</Redirect><Update TimeType=0>30</Update></UpdateData></KORVConfig>");
    UpdateOutcome same = Update();
    ASSERT_TRUE(same.ok) << same.step;  // the same site, written without "http://"
    EXPECT_FALSE(host_.downloadAtStart);

    server_->WriteFile("moved/main.html", "<html><KORV><br>VERSION 500;<br>WAIT ,1;<br></KORV></html>");
    const std::string moved = server_->Url("/moved/main.html").substr(std::string("http://").size());
    const std::string config = "<KORVConfig><UpdateData Version=500><Redirect>" + moved +
                               "</Redirect><Update TimeType=0>30</Update></UpdateData></KORVConfig>";
    server_->WriteFile("site/index_config.html", config);
    server_->WriteFile("moved/main_config.html", config);
    UpdateOutcome redirected = Update();
    EXPECT_EQ(redirected.step, StepRedirect);
    EXPECT_EQ(host_.site.siteUrl, server_->Url("/moved"));
    UpdateOutcome settled = Update();
    EXPECT_TRUE(settled.ok) << settled.step;
}

// A script that declares a size far below the real one: the server's
// Content-Length decides, so the object is not refused for ever.
TEST_F(UpdateProcessTest, TheAnnouncedLengthNotTheDeclaredSizeLimitsTheBody) {
    server_->WriteFile("site/big.bin", std::string(3 << 20, 'b'), 1'700'000'000);
    PublishScript({"VERSION 500", "MEDIA big,big.bin,10," + server_->Url("/site/big.bin")});
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok) << outcome.step;
    EXPECT_EQ(fs::file_size(Version(0) / "big.bin"), 3u << 20);
}

TEST_F(UpdateProcessTest, RedirectMovesTheSaverAndTheNextUpdateUsesTheNewSite) {
    PublishStandardSite();
    server_->WriteFile("moved/sky.jpg", "NEW", 1'700'000'000);
    server_->WriteFile("moved/texts.html", "<KORVText><br><TextItem=greeting>Moved</TextItem></KORVText>");
    server_->WriteFile("moved/main.html", "<html><KORV><br>VERSION 500;<br>WAIT ,1;<br></KORV></html>");
    server_->WriteFile("site/index_config.html",
                       "<KORVConfig><UpdateData Version=500><Redirect>" + server_->Url("/moved/main.html") +
                           "</Redirect><Update TimeType=0>30</Update></UpdateData></KORVConfig>");
    UpdateOutcome outcome = Update();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepRedirect);
    EXPECT_EQ(host_.site.siteUrl, server_->Url("/moved"));
    EXPECT_EQ(host_.site.sourceName, "main.html");
    EXPECT_TRUE(host_.downloadAtStart);
    EXPECT_TRUE(idleAfter_);
    EXPECT_EQ(host_.statuses.back(), (std::pair<int, std::string>{StatusRedirect, server_->Url("/moved/main.html")}));
    EXPECT_EQ(host_.Settings().ReadInt(LoadString(IDS_SESSION_STATUS), 0), 0);

    // The new site's own configuration keeps it there.
    server_->WriteFile("moved/main_config.html",
                       "<KORVConfig><UpdateData Version=500><Redirect>" + server_->Url("/moved/main.html") +
                           "</Redirect><Update TimeType=0>30</Update></UpdateData></KORVConfig>");
    UpdateOutcome next = Update();
    ASSERT_TRUE(next.ok) << next.step;
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.zep"));
}

TEST_F(UpdateProcessTest, NewerScriptFormatClosesTheSaverWithItsNotice) {
    PublishScript({"VERSION 600", "WAIT ,1"});
    UpdateOutcome outcome = Update();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepCompile);
    EXPECT_TRUE(host_.closedForNewerFormat);
    EXPECT_TRUE(idleAfter_);
}

TEST_F(UpdateProcessTest, HostileNamesWriteNothingOutsideTheStore) {
    server_->WriteFile("site/evil.jpg", "EVIL", 1'700'000'000);
    PublishScript({"VERSION 500", "IMAGE e,../../../../escaped.jpg,4,NRM,0,0,,," + server_->Url("/site/evil.jpg") + ",",
                   "IMAGE f,\\047x.jpg,4,NRM,0,0,,," + server_->Url("/site/evil.jpg") + ",",
                   "SHOWHTML v,0,0,10,10,,,ON,../page.html", "IMAGE m,playable.mark,4,NRM,0,0,,," + server_->Url("/site/evil.jpg") + ","});
    UpdateOutcome outcome = Update();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepObjects);
    EXPECT_TRUE(Logged("Refused file name: playable.mark"));
    EXPECT_FALSE(fs::exists(Version(0) / "Saver.zep"));
    const std::string served = server_->Root().parent_path().string();
    for (const auto& entry : fs::recursive_directory_iterator(user_.root().path())) {
        if (!entry.is_regular_file() || entry.path().string().rfind(served, 0) == 0) continue;
        EXPECT_NE(test::ReadFileBytes(entry.path()), "EVIL") << entry.path();
    }
}

TEST_F(UpdateProcessTest, StopDuringTheObjectsEndsWithStepSevenPromptly) {
    server_->WriteFile("site/big.bin", std::string(4 << 20, 'x'), 1'700'000'000);
    PublishScript({"VERSION 500", "MEDIA big,big.bin,4194304," + server_->Url("/slow/big.bin")});
    fs::create_directories(server_->Root() / "slow");
    fs::copy_file(server_->Root() / "site" / "big.bin", server_->Root() / "slow" / "big.bin");
    std::chrono::steady_clock::time_point stoppedAt;
    std::thread stopper([&] {
        while (host_.progress.bytesReceived.load() == 0 && !stop_.IsSet())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stoppedAt = std::chrono::steady_clock::now();
        stop_.Set();
    });
    UpdateOutcome outcome = Update();
    auto ended = std::chrono::steady_clock::now();
    stopper.join();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.step, StepStopped);
    auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(ended - stoppedAt).count();
    EXPECT_LT(latency, 1000) << "the stop took " << latency << " ms";
    std::cout << "update stopped " << latency << " ms after the stop request\n";
    RecordProperty("stop_latency_ms", static_cast<int>(latency));
    EXPECT_FALSE(fs::exists(Version(0) / "big.bin"));
}

TEST_F(UpdateProcessTest, CredentialsGoOnlyToTheSite) {
    server_.reset();
    options_.authLocation = "/site/";
    options_.authUser = "user";
    options_.authPassword = "secret";
    server_ = std::make_unique<NginxServer>(options_);
    ASSERT_TRUE(server_->Running()) << server_->Failure();
    host_.site.siteUrl = server_->Url("/site");
    host_.site.useAuth = true;
    host_.site.username = "user";
    host_.site.password = "secret";
    server_->WriteFile("site/sky.jpg", "PIXEL", 1'700'000'000);
    server_->WriteFile("other/sky.jpg", "PIXEL", 1'700'000'000);
    PublishScript({"VERSION 500", "IMAGE a,a.jpg,5,NRM,0,0,,," + server_->Url("/site/sky.jpg") + ",",
                   "IMAGE b,b.jpg,5,NRM,0,0,,," + server_->Url("/other/sky.jpg") + ","});
    UpdateOutcome outcome = Update();
    ASSERT_TRUE(outcome.ok) << outcome.step;
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.zep"));
    for (const AccessLogEntry& request : server_->AccessLog()) {
        SCOPED_TRACE(request.uri);
        if (request.uri.rfind("/other/", 0) == 0) {
            EXPECT_EQ(request.authorization, "-");
        }
        if (request.uri == "/site/index.html") {
            EXPECT_NE(request.authorization, "-");
        }
    }
}

TEST_F(UpdateProcessTest, DownloadControlRunsOneUpdateAtATime) {
    server_->WriteFile("site/big.bin", std::string(1 << 20, 'x'), 1'700'000'000);
    fs::create_directories(server_->Root() / "slow");
    fs::copy_file(server_->Root() / "site" / "big.bin", server_->Root() / "slow" / "big.bin");
    PublishScript({"VERSION 500", "MEDIA big,big.bin,1048576," + server_->Url("/slow/big.bin")});
    DownloadControl control;
    control.StartDownload(host_, host_.site);
    EXPECT_TRUE(control.Busy());
    control.StartDownload(host_, host_.site);
    EXPECT_TRUE(Logged("Tread vec radi, preskacem izvrsenje komande"));
    control.StopDownload(false);
    EXPECT_TRUE(Logged("Tred nije zavrsio, preskacem ubijanje treda"));
    EXPECT_TRUE(control.HasThread());
    // Closing the saver stops the update and waits for it.
    control.StopDownload(true);
    EXPECT_FALSE(control.HasThread());
    EXPECT_TRUE(Logged("Event setovan"));
}

}  // namespace
}  // namespace korv
