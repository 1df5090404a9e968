#include "saver/browser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/web_browser.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::IsolatedUser;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFileBytes;

// Fake browsers, xdg-settings and xdg-open live in a folder first on $PATH.
// A fake program records its arguments as "[arg][arg]…" in a file named
// after it, so the tests see which program was started with what, without
// starting anything real.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder("xdg-open");
        FakeXdgSettings("", 1);
    }

    std::string Executable(const fs::path& path, const std::string& body) {
        WriteFileBytes(path, "#!/bin/sh\n" + body);
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }

    std::string Recorder(const std::string& name, const fs::path& folder = {}) {
        fs::path path = (folder.empty() ? bin.path() : folder) / name;
        fs::path record = records / name;
        return Executable(path, "printf '[%s]' \"$@\" > '" + record.string() + ".tmp'\n/bin/mv '" +
                                    record.string() + ".tmp' '" + record.string() + "'\n");
    }

    // What the fake program `name` recorded; waits for it, since programs
    // are started without waiting.
    std::string Recorded(const std::string& name) {
        fs::path record = records / name;
        for (int i = 0; i < 1000 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return fs::exists(record) ? test::ReadFileBytes(record) : std::string("(not started)");
    }

    bool WasStarted(const std::string& name) const { return fs::exists(records / name); }

    void FakeXdgSettings(const std::string& output, int status) {
        Executable(bin / "xdg-settings", "[ \"$1 $2\" = 'get default-web-browser' ] || exit 9\nprintf '%s' '" + output +
                                             "'\nexit " + std::to_string(status) + "\n");
    }

    void DesktopEntry(const fs::path& applications, const std::string& relativePath, const std::string& contents) {
        WriteFileBytes(applications / relativePath, contents);
    }

    fs::path UserApplications() const { return user.dataHome() / "applications"; }
    fs::path SystemApplications() const { return systemData / "applications"; }

    IsolatedUser user;
    TempDir bin, records, systemData;
    ScopedEnv path{"PATH", bin.str() + ":/usr/bin:/bin"};
    ScopedEnv browser{"BROWSER", std::nullopt};
    ScopedEnv dataDirs{"XDG_DATA_DIRS", systemData.str()};
};

TEST_F(BrowserTest, UsersBrowserIsTheProgramOfTheFirstBrowserEntry) {
    std::string mine = Recorder("mybrowser");
    Recorder("other");
    ScopedEnv list("BROWSER", "mybrowser %s:other");
    EXPECT_EQ(GetBrowserFromDefaultVerb(), mine);
}

TEST_F(BrowserTest, UsersBrowserMayBeAQuotedPathAfterEmptyEntries) {
    std::string mine = Recorder("my browser");
    ScopedEnv list("BROWSER", "::'" + mine + "' --new-tab %s");
    EXPECT_EQ(GetBrowserFromDefaultVerb(), mine);
}

TEST_F(BrowserTest, NoUsersBrowserWhenUnsetOrNotFound) {
    EXPECT_EQ(GetBrowserFromDefaultVerb(), "");
    ScopedEnv list("BROWSER", "no-such-browser-korv:");
    EXPECT_EQ(GetBrowserFromDefaultVerb(), "");
}

TEST_F(BrowserTest, DesktopBrowserComesFromTheExecLineOfTheMainGroup) {
    std::string fake = Recorder("fakebrowser");
    FakeXdgSettings("fake-browser.desktop\n", 0);
    DesktopEntry(UserApplications(), "fake-browser.desktop",
                 "# comment\n[Other Group]\nExec=wrong\n\n[Desktop Entry]\r\nName=Fake\r\nExec[de]=wrong\r\n"
                 "Exec = fakebrowser %u\r\n[Desktop Action new-window]\r\nExec=wrong\r\n");
    EXPECT_EQ(GetBrowserFromOpenCommand(), fake);
}

TEST_F(BrowserTest, DesktopEntryIsFoundInTheSystemFoldersAndTheirSubfolders) {
    std::string fake = Recorder("fake browser");
    FakeXdgSettings("vendor-fake.desktop", 0);
    DesktopEntry(SystemApplications(), "vendor/fake.desktop", "[Desktop Entry]\nExec=\"" + fake + "\" %U\n");
    EXPECT_EQ(GetBrowserFromOpenCommand(), fake);
}

TEST_F(BrowserTest, UsersDesktopEntryComesBeforeTheSystemOne) {
    std::string mine = Recorder("mine");
    Recorder("theirs");
    FakeXdgSettings("web.desktop", 0);
    DesktopEntry(SystemApplications(), "web.desktop", "[Desktop Entry]\nExec=theirs %u\n");
    DesktopEntry(UserApplications(), "web.desktop", "[Desktop Entry]\nExec=mine %u\n");
    EXPECT_EQ(GetBrowserFromOpenCommand(), mine);
}

TEST_F(BrowserTest, EnvironmentAssignmentsInFrontOfTheProgramArePassedOver) {
    std::string fake = Recorder("fakebrowser");
    FakeXdgSettings("web.desktop", 0);
    DesktopEntry(UserApplications(), "web.desktop", "[Desktop Entry]\nExec=env GDK_BACKEND=x11 A=b fakebrowser %u\n");
    EXPECT_EQ(GetBrowserFromOpenCommand(), fake);
}

TEST_F(BrowserTest, NoDesktopBrowserWhenAnyStepFails) {
    Recorder("fakebrowser");
    EXPECT_EQ(GetBrowserFromOpenCommand(), "");  // xdg-settings fails

    FakeXdgSettings("missing.desktop", 0);
    EXPECT_EQ(GetBrowserFromOpenCommand(), "");

    FakeXdgSettings("web.desktop", 0);
    DesktopEntry(UserApplications(), "web.desktop", "[Desktop Entry]\nExec=no-such-browser-korv %u\n");
    EXPECT_EQ(GetBrowserFromOpenCommand(), "");

    DesktopEntry(UserApplications(), "noexec.desktop", "[Desktop Entry]\nName=x\n[Other]\nExec=fakebrowser\n");
    FakeXdgSettings("noexec.desktop", 0);
    EXPECT_EQ(GetBrowserFromOpenCommand(), "");

    DesktopEntry(user.dataHome(), "evil.desktop", "[Desktop Entry]\nExec=fakebrowser\n");
    FakeXdgSettings("../evil.desktop", 0);
    EXPECT_EQ(GetBrowserFromOpenCommand(), "");
}

TEST(ExecValueTest, ProgramIsTheFirstWordWithEscapesUndone) {
    using platform::ProgramFromExecValue;
    EXPECT_EQ(ProgramFromExecValue("firefox %u"), "firefox");
    EXPECT_EQ(ProgramFromExecValue("  \"/opt/web browser/run\" --new %u"), "/opt/web browser/run");
    EXPECT_EQ(ProgramFromExecValue(R"("/opt/x\\\\y" %u)"), R"(/opt/x\y)");
    EXPECT_EQ(ProgramFromExecValue(R"("say \"hi\"")"), R"(say "hi")");
    EXPECT_EQ(ProgramFromExecValue(R"("/opt/web\sbrowser" %u)"), "/opt/web browser");
    EXPECT_EQ(ProgramFromExecValue("/usr/bin/env FOO=1 firefox"), "firefox");
    EXPECT_EQ(ProgramFromExecValue("\"/opt/unclosed"), "");
    EXPECT_EQ(ProgramFromExecValue("env"), "");
    EXPECT_EQ(ProgramFromExecValue(""), "");
}

TEST(ExecValueTest, ExecValueIsTakenFromTheDesktopEntryGroupOnly) {
    using platform::ExecValueOfDesktopEntry;
    EXPECT_EQ(ExecValueOfDesktopEntry("[Desktop Entry]\nExec=a b\n"), "a b");
    EXPECT_EQ(ExecValueOfDesktopEntry("[Desktop Action x]\nExec=a\n[Desktop Entry]\nName=n"), "");
    EXPECT_EQ(ExecValueOfDesktopEntry("Exec=outside\n[Desktop Entry]\nTryExec=t\nExec=inside"), "inside");
    EXPECT_EQ(ExecValueOfDesktopEntry(""), "");
}

TEST_F(BrowserTest, BrowserPathPrefersTheUsersBrowser) {
    std::string mine = Recorder("mybrowser");
    std::string fake = Recorder("fakebrowser");
    FakeXdgSettings("web.desktop", 0);
    DesktopEntry(UserApplications(), "web.desktop", "[Desktop Entry]\nExec=fakebrowser %u\n");
    {
        ScopedEnv list("BROWSER", "mybrowser");
        EXPECT_EQ(GetBrowserPath(), mine);
    }
    ScopedEnv list("BROWSER", "no-such-browser-korv");
    EXPECT_EQ(GetBrowserPath(), fake);
}

TEST_F(BrowserTest, OpenUrlStartsTheUsersBrowserWithTheAddress) {
    Recorder("mybrowser");
    ScopedEnv list("BROWSER", "mybrowser %s");
    EXPECT_FALSE(OpenUrl("http://www.site.com/a page?x=1&y=$HOME"));
    EXPECT_EQ(Recorded("mybrowser"), "[http://www.site.com/a page?x=1&y=$HOME]");
    EXPECT_FALSE(WasStarted("xdg-open"));
}

TEST_F(BrowserTest, OpenUrlFallsBackToTheDesktopBrowserWhenTheUsersCannotStart) {
    // Found on $PATH, but its interpreter is missing, so it cannot run.
    Executable(bin / "broken", "");
    WriteFileBytes(bin / "broken", "#!/nonexistent/interpreter\n");
    Recorder("fakebrowser");
    FakeXdgSettings("web.desktop", 0);
    DesktopEntry(UserApplications(), "web.desktop", "[Desktop Entry]\nExec=fakebrowser %u\n");
    ScopedEnv list("BROWSER", "broken");
    EXPECT_FALSE(OpenUrl("http://www.site.com/"));
    EXPECT_EQ(Recorded("fakebrowser"), "[http://www.site.com/]");
    EXPECT_FALSE(WasStarted("xdg-open"));
}

TEST_F(BrowserTest, OpenUrlFallsBackToTheDesktopHandler) {
    EXPECT_FALSE(OpenUrl("http://www.site.com/"));
    EXPECT_EQ(Recorded("xdg-open"), "[http://www.site.com/]");
}

TEST(WebAddressTest, OnlyHttpAndHttpsAddressesWithAHostAreOpened) {
    for (const char* good : {"http://www.site.com/", "HTTPS://Site.com/a page?x=1", "http://host:8080",
                             "https://h/#top"})
        EXPECT_TRUE(IsWebAddress(good)) << good;
    for (const char* bad : {"", "-remote-debugging-port=9222", "--new-window", "file:///home/user/.ssh/id_rsa",
                            "javascript:alert(1)", "ftp://site.com/", "www.site.com", "http://", "https:///etc/passwd",
                            "http:/host", " http://site.com/", "http://site.com/\nX-Injected: 1", "http://a\tb/"})
        EXPECT_FALSE(IsWebAddress(bad)) << bad;
}

TEST_F(BrowserTest, OpenUrlStartsNothingForAddressesThatAreNotWebAddresses) {
    Recorder("mybrowser");
    ScopedEnv list("BROWSER", "mybrowser");
    for (const char* bad : {"--incognito", "file:///etc/passwd", "smb://server/share"})
        EXPECT_TRUE(OpenUrl(bad)) << bad;
    EXPECT_FALSE(WasStarted("mybrowser"));
    EXPECT_FALSE(WasStarted("xdg-open"));
}

TEST_F(BrowserTest, OpenUrlReportsThatNothingCouldBeStarted) {
    fs::remove(bin / "xdg-open");
    fs::remove(bin / "xdg-settings");
    ScopedEnv onlyFakes("PATH", bin.str());
    EXPECT_TRUE(OpenUrl("http://www.site.com/"));
}

}  // namespace
}  // namespace korv
