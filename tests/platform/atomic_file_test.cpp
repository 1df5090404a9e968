#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr fs::perms kOwnerReadWrite = fs::perms::owner_read | fs::perms::owner_write;

TEST(WriteFileReplacingTest, WritesAPrivateFileInPlaceOfALinkWithoutFollowingIt) {
    TempDir dir, elsewhere;
    test::WriteFileBytes(elsewhere / "target", "precious");
    fs::create_symlink(elsewhere / "target", dir / "desktop.bmp");
    ASSERT_TRUE(WriteFileReplacing((dir / "desktop.bmp").string(), [](std::FILE* file) {
        return std::fputs("BMnew", file) >= 0;
    }));
    EXPECT_FALSE(fs::is_symlink(dir / "desktop.bmp"));
    EXPECT_EQ(test::ReadFileBytes(dir / "desktop.bmp"), "BMnew");
    EXPECT_EQ(fs::status(dir / "desktop.bmp").permissions(), kOwnerReadWrite);
    EXPECT_EQ(test::ReadFileBytes(elsewhere / "target"), "precious");
}

TEST(WriteFileReplacingTest, AFailedWriteLeavesTheOldFileAndNoLitter) {
    TempDir dir;
    test::WriteFileBytes(dir / "picture.bmp", "old");
    EXPECT_FALSE(WriteFileReplacing((dir / "picture.bmp").string(), [](std::FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(test::ReadFileBytes(dir / "picture.bmp"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(WriteFileReplacing((dir / "missing" / "x.bmp").string(), [](std::FILE*) { return true; }));
}

TEST(WriteFileReplacingTest, GivesTheAskedPermissionsWhateverTheOldFileHad) {
    TempDir dir;
    test::WriteFileBytes(dir / "saver", "old");
    fs::permissions(dir / "saver", kOwnerReadWrite);
    ASSERT_TRUE(WriteFileReplacing((dir / "saver").string(), [](std::FILE* file) { return std::fputs("new", file) >= 0; },
                                   kExecutableFile));
    EXPECT_EQ(test::ReadFileBytes(dir / "saver"), "new");
    EXPECT_EQ(fs::status(dir / "saver").permissions(), fs::perms::owner_all | fs::perms::group_read |
                                                            fs::perms::group_exec | fs::perms::others_read |
                                                            fs::perms::others_exec);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFileAtomicallyTest, MakesTheFolderAndLeavesAPrivateFileAndNoLitter) {
    TempDir dir;
    fs::path file = dir / "key" / "@values.reg";
    ASSERT_TRUE(ReplaceFileAtomically(file.string(), "first"));
    ASSERT_TRUE(ReplaceFileAtomically(file.string(), "second"));
    EXPECT_EQ(test::ReadFileBytes(file), "second");
    EXPECT_EQ(fs::status(file).permissions(), kOwnerReadWrite);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "key"), fs::directory_iterator()), 1);
    EXPECT_FALSE(ReplaceFileAtomically((file / "below-a-file").string(), "x"));
}

}  // namespace
}  // namespace korv::platform
