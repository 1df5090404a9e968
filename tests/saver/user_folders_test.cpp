#include "saver/user_folders.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::IsolatedUser;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFileBytes;

TEST(UserFolderTest, ApplicationDataFoldersAreTheUsersDataFolderMadeWhenMissing) {
    IsolatedUser user;
    ASSERT_FALSE(fs::exists(user.dataHome()));
    EXPECT_EQ(GetSpecialFolder(kFolderAppData), user.dataHome().string());
    EXPECT_TRUE(fs::is_directory(user.dataHome()));
    EXPECT_EQ(fs::status(user.dataHome()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(GetSpecialFolder(kFolderLocalAppData), user.dataHome().string());
}

TEST(UserFolderTest, OtherIdentifiersGiveNothing) {
    IsolatedUser user;
    EXPECT_EQ(GetSpecialFolder(0), "");
    EXPECT_EQ(GetSpecialFolder(5), "");
    EXPECT_EQ(GetSpecialFolder(-1), "");
}

TEST(UserFolderTest, FolderThatCannotBeMadeGivesNothing) {
    TempDir dir;
    WriteFileBytes(dir / "file", "x");
    ScopedEnv data("XDG_DATA_HOME", (dir / "file" / "data").string());
    EXPECT_EQ(GetSpecialFolder(kFolderAppData), "");
}

TEST(TempFolderTest, IsThePrivateFolderWithoutFinalSlashAndIsNotShortened) {
    TempDir dir;
    std::string longFolder = dir.str() + "/" + std::string(80, 'x');
    fs::create_directories(longFolder);
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    std::string own = "korv-" + std::to_string(geteuid());
    {
        ScopedEnv tmp("TMPDIR", longFolder + "/");
        EXPECT_EQ(GetTempFolder(), longFolder + "/" + own);
    }
    ScopedEnv tmp("TMPDIR", dir.str());
    EXPECT_EQ(TempFilePath("name.mp3"), dir.str() + "/" + own + "/name.mp3");
}

}  // namespace
}  // namespace korv
