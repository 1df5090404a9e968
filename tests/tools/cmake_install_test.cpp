// cmake --install puts the tool, the engine and the documentation where a
// user finds them, and the installed tool builds savers from the installed
// engine without being told where it is.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "saver/program_file.h"
#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

bool Executable(const fs::path& path) {
    fs::perms perms = fs::status(path).permissions();
    return fs::is_regular_file(path) && (perms & fs::perms::owner_exec) != fs::perms::none &&
           (perms & fs::perms::others_exec) != fs::perms::none;
}

bool ReadableByAll(const fs::path& path) {
    return fs::is_regular_file(path) && (fs::status(path).permissions() & fs::perms::others_read) != fs::perms::none;
}

TEST(CmakeInstallTest, InstallsToolEngineAndDocumentationUnderThePrefix) {
    const char* buildDir = std::getenv("KORV_BUILD_DIR");
    ASSERT_TRUE(buildDir);
    test::TempDir prefix;
    test::CommandResult installed =
        test::RunCommand(KORV_CMAKE_COMMAND, {"--install", buildDir, "--prefix", prefix.str()});
    ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;

    EXPECT_TRUE(Executable(prefix / "bin" / "korv-tool"));
    EXPECT_TRUE(Executable(prefix / "libexec" / "korv" / "korv-runtime"));
    EXPECT_FALSE(fs::exists(prefix / "bin" / "korv-runtime"));
    EXPECT_TRUE(ReadableByAll(prefix / "share" / "doc" / "korv" / "README.md"));
    EXPECT_TRUE(ReadableByAll(prefix / "share" / "doc" / "korv" / "ARCHITECTURE.md"));

    // Without --engine the installed tool takes the installed engine.
    test::IsolatedUser user;
    fs::path saver = user.root() / "Demo";
    test::CommandResult built =
        test::RunCommand((prefix / "bin" / "korv-tool").string(),
                         {"build", "--player-type", "1", "--site", "http://s/", "--source", "i.html", "-o", saver.string()});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    std::string engine = test::ReadFileBytes(prefix / "libexec" / "korv" / "korv-runtime");
    EXPECT_EQ(test::ReadFileBytes(saver).substr(0, engine.size()), engine);

    // Moved elsewhere without its engine, the tool asks for --engine.
    fs::copy_file(prefix / "bin" / "korv-tool", user.root() / "korv-tool");
    test::CommandResult lonely =
        test::RunCommand((user.root() / "korv-tool").string(),
                         {"build", "--player-type", "1", "--site", "http://s/", "--source", "i.html", "-o",
                          (user.root() / "Other").string()});
    EXPECT_NE(lonely.exitCode, 0);
    EXPECT_NE(lonely.err.find("missing --engine"), std::string::npos) << lonely.err;
}

}  // namespace
}  // namespace korv
