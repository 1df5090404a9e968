// Temporary files left by writes that a crash cut short.

#include "update/interrupted_writes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

// No process ever has this identifier (Linux's pid_max is at most 4194304).
const std::string kGone = "999999999";

TEST(InterruptedWrites, FilesOfProcessesThatAreGoneAreRemovedAndLiveOnesStay) {
    test::TempDir folder;
    const std::string alive = std::to_string(platform::CurrentProcessId());
    const std::vector<std::string> litter = {
        ".download-" + kGone + "-a1B2c3",       // a fetched body
        "Saver.zep." + kGone + "-Zz9yX8",       // a compiled scenario
        "@values.reg.tmp." + kGone + ".7",      // a settings file
        ".download-Q1w2E3",                     // an older build's body, no identifier
    };
    const std::vector<std::string> kept = {
        ".download-" + alive + "-a1B2c3",  // still being written
        "Saver.zep." + alive + "-Zz9yX8",
        "@values.reg.tmp." + alive + ".3",
        "Saver.zep", "@values.reg", "picture.jpg", "notes.tmp.txt", "x.zep.backup",
        "x.zep.99999999999-a",  // a site's name, not an identifier

    };
    for (const auto& name : litter) test::WriteFileBytes(folder.path() / name, "x");
    for (const auto& name : kept) test::WriteFileBytes(folder.path() / name, "x");
    fs::create_directories(folder.path() / "Settings");
    test::WriteFileBytes(folder.path() / "Settings" / ("@values.reg.tmp." + kGone + ".1"), "x");

    EXPECT_EQ(RemoveInterruptedWrites(folder.path().string()), static_cast<int>(litter.size()));
    for (const auto& name : litter) EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(folder.path() / name)) << name;
    // Sub-folders only when asked.
    EXPECT_TRUE(fs::exists(folder.path() / "Settings" / ("@values.reg.tmp." + kGone + ".1")));
    EXPECT_EQ(RemoveInterruptedWrites(folder.path().string(), true), 1);
    // Such names are the store's own, whoever wrote them.
    EXPECT_TRUE(IsTemporaryWriteName(".download-" + alive + "-a1B2c3"));
    EXPECT_TRUE(IsTemporaryWriteName("Saver.zep." + alive + "-Zz9yX8"));
    EXPECT_FALSE(IsTemporaryWriteName("x.zep.backup"));
}

}  // namespace
}  // namespace korv
