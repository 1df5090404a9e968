#include "shell/runtime_app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/password_service.h"
#include "resources/string_table.h"
#include "saver/log.h"
#include "saver/program_file.h"
#include "shell/settings_program.h"
#include "tests/support/eventually.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kTestScenarioMagic = 0x50455A54;  // a stand-in scenario format: magic + name
constexpr int64_t kNow = 1'800'000'000;

std::string TestScenario(const std::string& name) {
    std::string bytes = "TZEP";
    bytes += static_cast<char>(name.size());
    return bytes + name;
}

// Records what start-up asks of the windows and threads, and reads the
// stand-in scenario format.
class RecordingApp : public RuntimeApp {
public:
    using RuntimeApp::RuntimeApp;
    std::vector<std::string> calls;
    std::string loadedScenario;
    bool windowCreates = true;
    bool threadStarts = true;
    bool previewCreates = true;
    int osVersion = 0;
    bool realSettingsDialog = false;

protected:
    void ShowSettingsDialog(bool owned) override {
        calls.push_back(owned ? "dialog owned" : "dialog");
        if (realSettingsDialog) RuntimeApp::ShowSettingsDialog(owned);
    }
    bool CreatePreviewWindow(uintptr_t parent) override {
        calls.push_back("preview " + std::to_string(parent));
        return previewCreates;
    }
    bool CreateMainWindow(bool downloadAtStart) override {
        calls.push_back(std::string("window download=") + (downloadAtStart ? "1" : "0"));
        return windowCreates;
    }
    void DestroyMainWindow() override { calls.push_back("destroy window"); }
    bool StartSceneThread(bool statusDisplay) override {
        calls.push_back(std::string("scene thread status=") + (statusDisplay ? "1" : "0"));
        return threadStarts;
    }
    void StopSceneThread() override { calls.push_back("stop scene thread"); }
    void ReportDownloadStatus(int code, const std::string& text) override {
        calls.push_back("status " + std::to_string(code) + " '" + text + "'");
    }
    bool ReadSceneList(platform::ArchiveReader& archive, Scenario&) override {
        char magic[4];
        archive.ReadBytes(magic, 4);
        if (std::string(magic, 4) != "TZEP") return false;
        loadedScenario = archive.ReadString();
        return true;
    }
    int OsVersionCode() const override { return osVersion; }
};

class RuntimeAppTest : public ::testing::Test {
protected:
    RuntimeAppTest() {
        record_.playerType = PlayerRemote;
        record_.intervalUnit = UnitHours;
        record_.intervalCount = 2;
        record_.siteUrl = "http://site.example/feed/";
        record_.sourceName = "index.html";
    }
    ~RuntimeAppTest() override {
        platform::SetPasswordChangeLoader({});
    }

    fs::path SaverPath() const { return user_.root() / "demo"; }
    fs::path VersionFolder(int n = 0) const {
        char name[24];
        std::snprintf(name, sizeof name, "Version%03d", n);
        return user_.dataHome() / "Halcyra" / "KORV" / "demo" / name;
    }
    void WriteLocalScenario(const std::string& bytes, int version = 0) {
        test::WriteFileBytes(VersionFolder(version) / "demo.zep", bytes);
    }
    SaverSettings Settings() { return SaverSettings(platform::SettingsStore::ForUser(), "demo"); }

    // Builds the saver and runs start-up with `arguments`.
    bool Start(std::vector<std::string> arguments, std::optional<std::string> embedded = std::nullopt,
               bool settingsDisabled = false) {
        test::WriteSaver(SaverPath(), record_, embedded, settingsDisabled);
        return StartExisting(std::move(arguments));
    }
    bool StartExisting(std::vector<std::string> arguments) {
        app_ = std::make_unique<RecordingApp>(RuntimeApp::Options{arguments, SaverPath().string(), std::nullopt});
        app_->realSettingsDialog = realSettingsDialog_;
        return app_->InitInstance();
    }
    bool Logged(const std::string& text) const { return log_.Contains(text); }
    // Whether `texts` appear in the log in this order.
    bool LoggedInOrder(std::vector<std::string> texts) const {
        const std::vector<std::string> lines = log_.lines();
        auto at = lines.begin();
        for (const auto& text : texts) {
            at = std::find(at, lines.end(), text);
            if (at == lines.end()) return false;
        }
        return true;
    }
    std::vector<std::string> Calls() const { return app_->calls; }

    test::IsolatedUser user_;
    test::CapturedMessages messages_;
    test::VirtualSystemClock clock_{kNow};
    test::CapturedLog log_;
    PayloadRecord record_;
    std::unique_ptr<RecordingApp> app_;
    bool realSettingsDialog_ = false;
};

using CallList = std::vector<std::string>;

TEST_F(RuntimeAppTest, SettingsSwitchesShowTheDialogUnlessDisabled) {
    EXPECT_FALSE(Start({}));
    EXPECT_EQ(Calls(), CallList{"dialog"});
    EXPECT_FALSE(Start({"/c:1234"}));
    EXPECT_EQ(Calls(), CallList{"dialog owned"});
    EXPECT_FALSE(Start({"/c"}, std::nullopt, true));
    EXPECT_TRUE(Calls().empty());
    EXPECT_FALSE(Start({}, std::nullopt, true));
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(messages_.all().empty());
}

// The dialog is a program of its own: without it the user learns why
// nothing opens; with it, it gets the saver's name and credentials on its
// input and start-up waits until it has ended.
TEST_F(RuntimeAppTest, SettingsDialogProgramGetsTheSaverOrIsReportedMissing) {
    realSettingsDialog_ = true;
    {
        test::ScopedEnv program("KORV_SETTINGS_PROGRAM", (user_.root() / "missing").string());
        EXPECT_FALSE(Start({}));
        ASSERT_EQ(messages_.all().size(), 1u);
        EXPECT_EQ(messages_.all()[0].text, "The settings dialog is not installed.");
        EXPECT_EQ(messages_.all()[0].icon, platform::MessageBoxIcon::Information);
    }

    const fs::path received = user_.root() / "received";
    const fs::path script = user_.root() / "settings.sh";
    test::WriteFileBytes(script, "#!/bin/sh\nsleep 0.2\ncat > '" + received.string() + ".part'\nmv '" +
                                     received.string() + ".part' '" + received.string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    test::ScopedEnv program("KORV_SETTINGS_PROGRAM", script.string());
    record_.username = "someone";
    record_.password = "secret";
    EXPECT_FALSE(Start({"/c"}));
    ASSERT_TRUE(fs::exists(received));  // waited for
    auto input = DecodeSettingsProgramInput(test::ReadFileBytes(received));
    ASSERT_TRUE(input);
    EXPECT_EQ(input->saverName, "demo");
    EXPECT_EQ(input->useAuth, 1);  // the payload carries a user
    EXPECT_EQ(input->username, "someone");
    EXPECT_EQ(input->password, "secret");
    EXPECT_EQ(messages_.all().size(), 1u);
}

TEST_F(RuntimeAppTest, UnknownSwitchEndsBeforeReadingTheProgramFile) {
    fs::remove(SaverPath());
    EXPECT_FALSE(StartExisting({"sx"}));
    EXPECT_TRUE(messages_.all().empty());  // the missing file is never opened
    EXPECT_TRUE(Calls().empty());
}

TEST_F(RuntimeAppTest, UnreadableProgramFileSaysErrorAndDamagedPayloadEndsSilently) {
    fs::remove(SaverPath());
    EXPECT_FALSE(StartExisting({"/s"}));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{"error"});

    std::string bytes = test::SaverBytes(record_);
    test::WriteFileBytes(SaverPath(), bytes.substr(0, bytes.size() - 9));
    EXPECT_FALSE(StartExisting({"/s"}));
    test::WriteFileBytes(SaverPath(), "tiny");
    EXPECT_FALSE(StartExisting({"/c"}));
    EXPECT_EQ(messages_.texts().size(), 1u);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(RuntimeAppTest, StartUpResetsSessionAndReadsProxyAndUpdateSettings) {
    SaverSettings settings = Settings();
    settings.WriteInt("SessionStatus", 1);
    settings.WriteInt("UpdateStatus", 1);
    Start({"/p"});
    EXPECT_EQ(settings.ReadInt("SessionStatus", -1), 0);
    EXPECT_EQ(app_->Config().updateStatus, 1);
    EXPECT_EQ(app_->Config().proxyStatus, 1);  // default: the browser's proxy
    EXPECT_EQ(app_->Config().proxyHostPort, ":0");
    EXPECT_TRUE(LoggedInOrder({"Starting runtime", "Proxy aktivan", ":0"}));

    settings.WriteInt("ProxyStatus", 2);
    settings.WriteString("ProxyAddress", "proxy.local");
    settings.WriteInt("ProxyPort", 3128);
    Start({"/p"});
    EXPECT_EQ(app_->Config().proxyHostPort, "proxy.local:3128");

    settings.WriteInt("ProxyStatus", 0);
    log_.Clear();
    Start({"/p"});
    EXPECT_EQ(app_->Config().proxyHostPort, "");
    EXPECT_TRUE(Logged("Proxy neaktivan"));
}

TEST_F(RuntimeAppTest, AuthenticationFollowsUseAuthAndThePayload) {
    record_.username = "payload-user";
    record_.password = "payload-pw";
    Start({"/p"});
    EXPECT_EQ(app_->Config().useAuth, 1);  // UseAuth absent, payload carries a user
    EXPECT_EQ(app_->Config().username, "payload-user");
    EXPECT_EQ(app_->Config().password, "payload-pw");

    SaverSettings settings = Settings();
    settings.WriteInt("UseAuth", 0);
    settings.WriteString("Username", "stored-user");
    Start({"/p"});
    EXPECT_EQ(app_->Config().useAuth, 1);
    EXPECT_EQ(app_->Config().username, "payload-user");  // stored names only count when UseAuth is set

    settings.WriteInt("UseAuth", 1);
    Start({"/p"});
    EXPECT_EQ(app_->Config().username, "stored-user");
    EXPECT_EQ(app_->Config().password, "payload-pw");  // no stored password: the payload's

    record_.username.clear();
    settings.WriteInt("UseAuth", 0);
    Start({"/p"});
    EXPECT_EQ(app_->Config().useAuth, 0);
}

TEST_F(RuntimeAppTest, PasswordSwitchReportsAMissingService) {
    // On Linux the password is the login password: the user is told where to change it.
    EXPECT_FALSE(Start({"/a"}));
    ASSERT_EQ(messages_.texts().size(), 1u);
    EXPECT_EQ(messages_.texts()[0].rfind("The screen saver asks for your login password.", 0), 0u);

    platform::SetPasswordChangeLoader([] { return std::optional<platform::PasswordChangeLibrary>(); });
    Start({"/a"});
    EXPECT_EQ(messages_.texts().back(), "MPR.DLL not found: cannot change password.");

    platform::SetPasswordChangeLoader([] { return platform::PasswordChangeLibrary{}; });
    Start({"-A"});
    EXPECT_EQ(messages_.texts().back(), "PwdChangeProc not found: cannot change password");

    std::string provider;
    platform::SetPasswordChangeLoader([&] {
        platform::PasswordChangeLibrary library;
        library.changePassword = [&](const std::string& name, uintptr_t, uint32_t, uint32_t) {
            provider = name;
            return 1u;
        };
        return library;
    });
    Start({"a"});
    EXPECT_EQ(provider, "SCRSAVE");
    EXPECT_EQ(messages_.texts().size(), 3u);  // nothing more when the change ran
}

TEST_F(RuntimeAppTest, PreviewNeedsAValidHostWindow) {
    EXPECT_FALSE(Start({"/p"}));
    EXPECT_FALSE(Start({"/p", "notanumber"}));
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(Start({"/p", "1234"}));
    EXPECT_EQ(Calls(), CallList{"preview 1234"});
    test::WriteSaver(SaverPath(), record_);
    app_ = std::make_unique<RecordingApp>(RuntimeApp::Options{{"/p", "0x10"}, SaverPath().string(), std::nullopt});
    app_->previewCreates = false;
    EXPECT_FALSE(app_->InitInstance());
    EXPECT_EQ(Calls(), CallList{"preview 16"});
}

// Under an X screen-saver host the saver chooses and plays its scenario as
// the full-screen run does; a window it cannot name ends it at once.
TEST_F(RuntimeAppTest, HostedSaverStartsAsTheFullScreenRunUnlessItsWindowIsBad) {
    WriteLocalScenario(TestScenario("local"));
    for (std::vector<std::string> arguments :
         std::vector<std::vector<std::string>>{{"/s"}, {"-root"}, {"--window-id", "0x600008"}, {"-install", "--root"}}) {
        EXPECT_TRUE(Start(arguments)) << arguments.front();
        EXPECT_EQ(app_->Mode(), arguments.front() == "/s" ? SaverMode::FullScreen : SaverMode::Hosted);
        EXPECT_EQ(app_->loadedScenario, "local") << arguments.front();
        EXPECT_EQ(Calls(), (CallList{"window download=0", "scene thread status=0"})) << arguments.front();
    }
    EXPECT_FALSE(Start({"-window-id", "none"}));
    EXPECT_TRUE(Calls().empty());

    test::WriteSaver(SaverPath(), record_);
    app_ = std::make_unique<RecordingApp>(RuntimeApp::Options{{"-root"}, SaverPath().string(), std::nullopt});
    app_->SetHostWindowVariable("0xQQ");
    EXPECT_FALSE(app_->InitInstance());
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(messages_.all().empty());
}

TEST_F(RuntimeAppTest, UnknownPlayerTypeEndsWithItsLogLine) {
    record_.playerType = 7;
    EXPECT_FALSE(Start({"/s"}));
    EXPECT_TRUE(Logged("Nepoznat tip plejera?"));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(RuntimeAppTest, ClassicPlayersPlayOnlyTheEmbeddedScenario) {
    record_.playerType = PlayerClassic;
    WriteLocalScenario(TestScenario("local"));  // never used by classic players
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));
    EXPECT_EQ(app_->loadedScenario, "embedded");
    EXPECT_EQ(Calls(), (CallList{"window download=0", "scene thread status=0"}));
    EXPECT_TRUE(LoggedInOrder({"Player type:2, Refresh intertval:120, URL:http://site.example/feed/",
                               "Procitao podatke", "klasik scr", "Ucitaj body podatke", "Body informacije ucitane",
                               "Inicijalni zep fajl postoji, startujem njega", "Interpretiraj", "Kreiraj SSWnd",
                               "Startuj scene tred"}));

    record_.playerType = PlayerClassicExitButton;
    log_.Clear();
    EXPECT_FALSE(Start({"/s"}, std::string("damaged")));
    EXPECT_TRUE(Logged("Klasik player, neuspeo start"));
    EXPECT_TRUE(Calls().empty());

    EXPECT_FALSE(Start({"/s"}));  // no embedded scenario at all
    EXPECT_TRUE(Calls().empty());
}

TEST_F(RuntimeAppTest, BuiltInPlayerFallsBackFromLocalToEmbeddedToDownload) {
    record_.playerType = PlayerBuiltIn;
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));
    EXPECT_EQ(app_->loadedScenario, "embedded");
    EXPECT_EQ(Calls(), (CallList{"window download=0", "scene thread status=0"}));

    WriteLocalScenario(TestScenario("local"));
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));
    EXPECT_EQ(app_->loadedScenario, "local");

    // A damaged local file does not fall back to the embedded one: it downloads.
    WriteLocalScenario("damaged");
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));
    EXPECT_EQ(app_->loadedScenario, "");
    EXPECT_EQ(Calls(), (CallList{"window download=1", "scene thread status=1"}));
    EXPECT_TRUE(Logged("Built-in plejer, greska pri ucitavanju zep, downloadujem..."));
}

TEST_F(RuntimeAppTest, AlwaysCheckDownloadsFirstOnlyWhenTheIntervalPassed) {
    record_.playerType = PlayerBuiltIn;
    record_.alwaysCheck = 1;
    WriteLocalScenario(TestScenario("local"));
    SaverSettings settings = Settings();

    settings.WriteInt("LastUpdate", static_cast<int32_t>(kNow - 60 * 119));
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_TRUE(Logged("Nije istekao"));
    EXPECT_EQ(app_->loadedScenario, "local");

    settings.WriteInt("LastUpdate", static_cast<int32_t>(kNow - 60 * 120));
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_TRUE(Logged("Istekao"));
    EXPECT_EQ(app_->loadedScenario, "");
    EXPECT_EQ(Calls(), (CallList{"window download=1", "scene thread status=1"}));

    // With updates switched off the interval does not matter.
    settings.WriteInt("UpdateStatus", 1);
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_EQ(app_->loadedScenario, "local");
}

TEST_F(RuntimeAppTest, FirstRunSetsLastUpdateSoOnlyAZeroIntervalHasExpired) {
    record_.playerType = PlayerRemote;
    record_.alwaysCheck = 1;
    WriteLocalScenario(TestScenario("local"));
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_EQ(static_cast<uint32_t>(Settings().ReadInt("LastUpdate", 0)), kNow);
    EXPECT_TRUE(Logged("Nije istekao"));
    EXPECT_EQ(app_->loadedScenario, "local");

    Settings().WriteInt("LastUpdate", 0);
    record_.intervalCount = 0;
    log_.Clear();
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_TRUE(LoggedInOrder({"Istekao", "Klot plejer", "Klot plejer:Always check", "Klot plejer:interval starting"}));
    EXPECT_FALSE(Logged("Klot plejer:Inicijalni zep fajl ne postoji, downloadujem"));
    EXPECT_EQ(Calls(), (CallList{"window download=1", "scene thread status=1"}));
}

TEST_F(RuntimeAppTest, RemotePlayerDownloadsWhenNothingIsStored) {
    WriteLocalScenario(TestScenario("local"), 0);
    WriteLocalScenario(TestScenario("newer"), 1);
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));
    EXPECT_EQ(app_->loadedScenario, "newer");  // the latest version folder
    EXPECT_TRUE(Logged("Klot plejer:Iskljucen always check"));
    EXPECT_TRUE(Logged((VersionFolder(1) / "demo.zep").string()));

    fs::remove_all(user_.dataHome() / "Halcyra");
    log_.Clear();
    EXPECT_TRUE(Start({"/s"}, TestScenario("embedded")));  // no embedded fallback for this type
    EXPECT_EQ(app_->loadedScenario, "");
    EXPECT_TRUE(Logged("Klot plejer:Inicijalni zep fajl ne postoji, downloadujem"));
    EXPECT_EQ(Calls(), (CallList{"window download=1", "scene thread status=1"}));
}

TEST_F(RuntimeAppTest, RemotePlayerWithUpdatesOffReportsItOnTheStatusScreen) {
    Settings().WriteInt("UpdateStatus", 1);
    WriteLocalScenario(TestScenario("local"));
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_TRUE(Logged("Klot plejer:Do not update"));
    EXPECT_EQ(Calls(), (CallList{"status -100 ''", "window download=0", "scene thread status=0"}));
}

TEST_F(RuntimeAppTest, StartUpEmptiesOldVersionsBeforeLoading) {
    WriteLocalScenario(TestScenario("old"), 0);
    WriteLocalScenario(TestScenario("new"), 1);
    EXPECT_TRUE(Start({"/s"}));
    EXPECT_TRUE(fs::is_empty(VersionFolder(0)));
    EXPECT_EQ(app_->loadedScenario, "new");
}

TEST_F(RuntimeAppTest, WindowOrThreadFailureEndsTheProgram) {
    WriteLocalScenario(TestScenario("local"));
    test::WriteSaver(SaverPath(), record_);
    app_ = std::make_unique<RecordingApp>(RuntimeApp::Options{{"/s"}, SaverPath().string(), std::nullopt});
    app_->windowCreates = false;
    EXPECT_FALSE(app_->InitInstance());
    EXPECT_EQ(Calls(), CallList{"window download=0"});

    app_ = std::make_unique<RecordingApp>(RuntimeApp::Options{{"/s"}, SaverPath().string(), std::nullopt});
    app_->threadStarts = false;
    EXPECT_FALSE(app_->InitInstance());
    EXPECT_EQ(Calls(), (CallList{"window download=0", "scene thread status=0", "destroy window"}));
}

TEST_F(RuntimeAppTest, ReloadReplacesTheScenarioAndRecordsTheUpdate) {
    WriteLocalScenario(TestScenario("first"));
    ASSERT_TRUE(Start({"/s"}));
    Settings().WriteInt("LastUpdate", 5);
    clock_.Advance(90'000);

    WriteLocalScenario(TestScenario("second"), 1);
    app_->calls.clear();
    EXPECT_EQ(app_->StartScenario(kWindowClassName, (VersionFolder(1) / "demo.zep").string(), false), 1);
    EXPECT_EQ(app_->loadedScenario, "second");
    EXPECT_EQ(Calls(), (CallList{"stop scene thread", "scene thread status=0"}));
    EXPECT_EQ(Settings().ReadInt("LastUpdate", 0), static_cast<int32_t>(kNow + 90));

    // A damaged file is refused before anything is stopped: the old scenario plays on.
    test::WriteFileBytes(VersionFolder(2) / "demo.zep", "damaged");
    app_->calls.clear();
    Settings().WriteInt("LastUpdate", 7);
    EXPECT_EQ(app_->StartScenario(kWindowClassName, (VersionFolder(2) / "demo.zep").string(), false), 0);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(app_->loadedScenario, "second");
    EXPECT_EQ(Settings().ReadInt("LastUpdate", 0), 7);
}

TEST_F(RuntimeAppTest, LoadingRecordsAChangedSiteAddress) {
    WriteLocalScenario(TestScenario("local"));
    ASSERT_TRUE(Start({"/s"}));
    EXPECT_EQ(Settings().ReadString("RemoteSite", "unset"), "unset");  // unchanged: not written

    app_->Config().siteUrl = "http://redirected.example/";
    EXPECT_EQ(app_->LoadScenario((VersionFolder(0) / "demo.zep").string(), false), 1);
    EXPECT_EQ(Settings().ReadString("RemoteSite", ""), "http://redirected.example/");
    EXPECT_EQ(app_->LoadScenario((VersionFolder(0) / "missing.zep").string(), false), 0);
}

TEST_F(RuntimeAppTest, StartDeletesOldLogsAndExitDeletesThePrivatePictures) {
    fs::create_directories(user_.stateHome() / "Halcyra");
    test::WriteFileBytes(user_.stateHome() / "Halcyra" / "korvlog.txt", "old run");
    Start({"/p", "1"});
    EXPECT_FALSE(fs::exists(user_.stateHome() / "Halcyra" / "korvlog.txt"));
    EXPECT_EQ(app_->desktopBitmapPath, (user_.privateFolder() / "desktop.bmp").string());
    EXPECT_EQ(app_->wallpaperBitmapPath, (user_.privateFolder() / "wallpaper.bmp").string());
    // The user's screen is readable by the user alone. The files are
    // written while the saver starts, each in one go.
    EXPECT_EQ(fs::status(user_.privateFolder()).permissions(), fs::perms::owner_all);
    for (const std::string& path : {app_->desktopBitmapPath, app_->wallpaperBitmapPath}) {
        ASSERT_TRUE(test::Eventually([&] { return fs::is_regular_file(path); })) << path;
        EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write) << path;
    }
    EXPECT_FALSE(fs::exists(user_.tempFolder() / "desktop.bmp"));

    app_->ExitInstance();
    EXPECT_FALSE(fs::exists(app_->desktopBitmapPath));
    EXPECT_FALSE(fs::exists(app_->wallpaperBitmapPath));
}

TEST_F(RuntimeAppTest, ExitOpensTheChosenLinkInTheBrowser) {
    // A stand-in browser that records its arguments.
    fs::path record = user_.root() / "browser-args";
    fs::path browser = user_.root() / "browser.sh";
    test::WriteFileBytes(browser, "#!/bin/sh\nprintf '%s' \"$*\" > '" + record.string() + ".tmp' && mv '" +
                                      record.string() + ".tmp' '" + record.string() + "'\n");
    fs::permissions(browser, fs::perms::owner_all);
    test::ScopedEnv browserEnv("BROWSER", browser.string());

    Start({"/p", "1"});
    app_->exitUrl = "http://www.example.com/offer";
    app_->ExitInstance();
    for (int i = 0; i < 200 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadFileBytes(record), "http://www.example.com/offer");

    // On the old system the browser is started and waited for.
    fs::remove(record);
    Start({"/p", "1"});
    app_->osVersion = 4;
    app_->exitUrl = "http://www.example.com/second";
    app_->ExitInstance();
    EXPECT_EQ(test::ReadFileBytes(record), "http://www.example.com/second");

    // A link that is no web address never reaches the browser.
    fs::remove(record);
    for (const char* link : {"--remote-debugging-port=9222", "file:///etc/passwd"}) {
        Start({"/p", "1"});
        app_->exitUrl = link;
        app_->ExitInstance();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(record));
}

}  // namespace
}  // namespace korv
