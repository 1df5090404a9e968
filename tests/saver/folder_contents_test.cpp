#include "saver/folder_contents.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFileBytes;

class HasSubfolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir / "Media");
        WriteFileBytes(dir / "plain", "x");
    }
    TempDir dir;
};

TEST_F(HasSubfolderTest, FindsASubfolderIgnoringCase) {
    EXPECT_TRUE(HasSubfolder(dir.str(), "Media"));
    EXPECT_TRUE(HasSubfolder(dir.str(), "mEDIA"));
    EXPECT_TRUE(HasSubfolder(dir.str() + "/", "media"));
}

TEST_F(HasSubfolderTest, FilesMissingNamesAndEmptyArgumentsDoNotCount) {
    EXPECT_FALSE(HasSubfolder(dir.str(), "plain"));
    EXPECT_FALSE(HasSubfolder(dir.str(), "Med"));
    EXPECT_FALSE(HasSubfolder(dir.str(), "."));
    EXPECT_FALSE(HasSubfolder((dir / "missing").string(), "Media"));
    EXPECT_FALSE(HasSubfolder("", "Media"));
    EXPECT_FALSE(HasSubfolder(dir.str(), ""));
}

class DeleteFolderContentsTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path Folder() const { return dir / "cache"; }
};

TEST_F(DeleteFolderContentsTest, EmptyFolderStays) {
    fs::create_directory(Folder());
    EXPECT_TRUE(DeleteFolderContents(Folder().string()));
    EXPECT_TRUE(fs::is_directory(Folder()));
}

TEST_F(DeleteFolderContentsTest, DeletesNestedFoldersDepthFirst) {
    WriteFileBytes(Folder() / "a.txt", "a");
    WriteFileBytes(Folder() / "sub" / "b.txt", "b");
    WriteFileBytes(Folder() / "sub" / "deeper" / "c.txt", "c");
    fs::create_directories(Folder() / "sub" / "empty");
    WriteFileBytes(Folder() / ".hidden", "h");
    EXPECT_TRUE(DeleteFolderContents(Folder().string() + "/"));
    EXPECT_TRUE(fs::is_directory(Folder()));
    EXPECT_TRUE(fs::is_empty(Folder()));
}

TEST_F(DeleteFolderContentsTest, RemovesLinksWithoutFollowingThem) {
    WriteFileBytes(dir / "outside" / "keep.txt", "keep");
    fs::create_directory(Folder());
    fs::create_directory_symlink(dir / "outside", Folder() / "link");
    EXPECT_TRUE(DeleteFolderContents(Folder().string()));
    EXPECT_TRUE(fs::is_empty(Folder()));
    EXPECT_TRUE(fs::exists(dir / "outside" / "keep.txt"));
}

TEST_F(DeleteFolderContentsTest, MissingFolderHasNothingToDelete) {
    EXPECT_TRUE(DeleteFolderContents(Folder().string()));
}

TEST_F(DeleteFolderContentsTest, RefusesAFileOrNoPath) {
    WriteFileBytes(dir / "file", "x");
    EXPECT_FALSE(DeleteFolderContents((dir / "file").string()));
    EXPECT_TRUE(fs::exists(dir / "file"));
    EXPECT_FALSE(DeleteFolderContents(""));
}

TEST_F(DeleteFolderContentsTest, StopsAtAnEntryThatCannotBeRemoved) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
    WriteFileBytes(Folder() / "locked" / "file", "x");
    fs::permissions(Folder() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(DeleteFolderContents(Folder().string()));
    fs::permissions(Folder() / "locked", fs::perms::owner_all);
    EXPECT_TRUE(fs::exists(Folder() / "locked" / "file"));
}

}  // namespace
}  // namespace korv
