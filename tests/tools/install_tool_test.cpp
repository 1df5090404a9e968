// korv-tool install and uninstall as a user runs them: a built saver joins
// the xscreensaver list and the desktop screen savers, and leaves them
// again without a trace.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "tools/xscreensaver_config.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;

class InstallToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_);
        fs::create_directories(saver_.parent_path());
        CommandResult built = Tool({"build", "--engine", test::KorvRuntimePath(), "--player-type", "1", "--site",
                                    "http://feed.example/", "--source", "index.html", "-o", saver_.string()});
        ASSERT_EQ(built.exitCode, 0) << built.err;
    }
    CommandResult Tool(std::vector<std::string> arguments) const {
        return test::RunCommand(test::KorvToolPath(), arguments,
                                {"HOME=" + home_.string(), "XDG_DATA_HOME=" + user_.dataHome().string(),
                                 "XDG_CONFIG_HOME=" + user_.configHome().string(), "-DISPLAY"});
    }
    std::vector<std::string> ListedPrograms() const {
        std::vector<std::string> programs;
        auto entries = tool::ReadProgramsList(test::ReadFileBytes(home_ / ".xscreensaver"));
        for (const tool::ProgramsEntry& entry : entries.value_or(std::vector<tool::ProgramsEntry>()))
            programs.push_back(entry.program);
        return programs;
    }
    fs::path DesktopFolder() const { return user_.dataHome() / "applications" / "screensavers"; }

    test::IsolatedUser user_;
    fs::path home_ = user_.root() / "home";
    fs::path saver_ = user_.root() / "my savers" / "It's \"Demo\"";
};

TEST_F(InstallToolTest, InstallAddsOneEntryAndUninstallTakesBackExactlyThat) {
    std::string original = test::ReadFileBytes(
        test::SourceFilePath("tests/tools/xscreensaver-files/written-by-settings.xscreensaver"));
    test::WriteFileBytes(home_ / ".xscreensaver", original);
    fs::permissions(home_ / ".xscreensaver", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(DesktopFolder());
    test::WriteFileBytes(DesktopFolder() / "other.desktop", "[Desktop Entry]\nName=Other\n");
    const size_t before = ListedPrograms().size();

    for (int round = 0; round < 2; ++round) {
        CommandResult installed = Tool({"install", saver_.string()});
        ASSERT_EQ(installed.exitCode, 0) << installed.err;
        std::vector<std::string> programs = ListedPrograms();
        ASSERT_EQ(programs.size(), before + 1) << round;
        EXPECT_EQ(programs.back(), saver_.string());
        EXPECT_EQ(test::ReadFileBytes(home_ / ".xscreensaver.korv-backup"), original) << round;
        EXPECT_EQ(fs::status(home_ / ".xscreensaver").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
    std::string desktop = test::ReadFileBytes(DesktopFolder() / "korv-It_s__Demo_.desktop");
    EXPECT_NE(desktop.find("\nTryExec=" + saver_.string() + "\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("\nName=It's \"Demo\"\n"), std::string::npos) << desktop;

    CommandResult removed = Tool({"uninstall", saver_.string()});
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(test::ReadFileBytes(home_ / ".xscreensaver"), original);
    EXPECT_FALSE(fs::exists(DesktopFolder() / "korv-It_s__Demo_.desktop"));
    EXPECT_TRUE(fs::exists(DesktopFolder() / "other.desktop"));

    CommandResult again = Tool({"uninstall", saver_.string()});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("was not in the list"), std::string::npos) << again.out;
    EXPECT_EQ(test::ReadFileBytes(home_ / ".xscreensaver"), original);
}

TEST_F(InstallToolTest, WithoutPreferencesInstallMakesAFileThatKeepsTheSystemList) {
    ASSERT_EQ(Tool({"install", saver_.string()}).exitCode, 0);
    std::vector<std::string> programs = ListedPrograms();
    ASSERT_FALSE(programs.empty());
    EXPECT_EQ(programs.back(), saver_.string());
    if (fs::exists("/etc/X11/app-defaults/XScreenSaver")) {
        EXPECT_GT(programs.size(), 1u);
    }
    EXPECT_FALSE(fs::exists(home_ / ".xscreensaver.korv-backup"));

    ASSERT_EQ(Tool({"uninstall", saver_.string()}).exitCode, 0);
    EXPECT_EQ(ListedPrograms().size(), programs.size() - 1);
}

TEST_F(InstallToolTest, APreferencesLinkStaysALink_AndAnotherSaversDesktopFileStops) {
    fs::create_directories(user_.root() / "dotfiles");
    test::WriteFileBytes(user_.root() / "dotfiles" / "xscreensaver", "programs: maze -root \\n\n");
    fs::create_symlink(user_.root() / "dotfiles" / "xscreensaver", home_ / ".xscreensaver");
    ASSERT_EQ(Tool({"install", saver_.string()}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(home_ / ".xscreensaver"));
    EXPECT_EQ(ListedPrograms(), (std::vector<std::string>{"maze", saver_.string()}));
    ASSERT_EQ(Tool({"uninstall", saver_.string()}).exitCode, 0);
    EXPECT_EQ(test::ReadFileBytes(user_.root() / "dotfiles" / "xscreensaver"), "programs: maze -root \\n\n");

    // A saver of the same file name elsewhere: its .desktop file stays, and
    // this one is not half installed.
    fs::path other = user_.root() / "elsewhere" / saver_.filename();
    fs::create_directories(other.parent_path());
    fs::copy_file(saver_, other);
    ASSERT_EQ(Tool({"install", other.string()}).exitCode, 0);
    std::string before = test::ReadFileBytes(home_ / ".xscreensaver");
    CommandResult refused = Tool({"install", saver_.string()});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("belongs to " + other.string()), std::string::npos) << refused.err;
    EXPECT_EQ(test::ReadFileBytes(home_ / ".xscreensaver"), before);
    ASSERT_EQ(Tool({"uninstall", saver_.string()}).exitCode, 0);
    EXPECT_TRUE(fs::exists(DesktopFolder() / "korv-It_s__Demo_.desktop"));
    EXPECT_EQ(ListedPrograms(), (std::vector<std::string>{"maze", other.string()}));
}

TEST_F(InstallToolTest, RefusesWhatIsNoSaverAndTouchesNothing) {
    test::WriteFileBytes(home_ / ".xscreensaver", "programs: maze -root \\n\n");
    for (const std::string& notASaver : {test::KorvRuntimePath(), (user_.root() / "missing").string()}) {
        CommandResult refused = Tool({"install", notASaver});
        EXPECT_NE(refused.exitCode, 0) << notASaver;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }
    EXPECT_NE(Tool({"uninstall", test::KorvRuntimePath()}).exitCode, 0);
    EXPECT_NE(Tool({"install"}).exitCode, 0);
    EXPECT_EQ(test::ReadFileBytes(home_ / ".xscreensaver"), "programs: maze -root \\n\n");
    EXPECT_FALSE(fs::exists(DesktopFolder()));

    // A saver whose path the list cannot carry is refused as well.
    fs::path odd = user_.root() / "back\\slash";
    fs::copy_file(saver_, odd);
    CommandResult refused = Tool({"install", odd.string()});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("backslash"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace korv
