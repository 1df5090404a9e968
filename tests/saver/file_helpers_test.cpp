#include "saver/file_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::CapturedMessages;
using test::IsolatedUser;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFileBytes;

TEST(SpecialFolderTest, ApplicationDataFoldersAreTheUsersDataFolderMadeWhenMissing) {
    IsolatedUser user;
    ASSERT_FALSE(fs::exists(user.dataHome()));
    EXPECT_EQ(GetSpecialFolder(kFolderAppData), user.dataHome().string());
    EXPECT_TRUE(fs::is_directory(user.dataHome()));
    EXPECT_EQ(fs::status(user.dataHome()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(GetSpecialFolder(kFolderLocalAppData), user.dataHome().string());
}

TEST(SpecialFolderTest, OtherIdentifiersGiveNothing) {
    IsolatedUser user;
    EXPECT_EQ(GetSpecialFolder(0), "");
    EXPECT_EQ(GetSpecialFolder(5), "");
    EXPECT_EQ(GetSpecialFolder(-1), "");
}

TEST(SpecialFolderTest, FolderThatCannotBeMadeGivesNothing) {
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

TEST(PathPartsTest, Extension) {
    EXPECT_EQ(GetExtension("/a/b/Song.MP3", true), "mp3");
    EXPECT_EQ(GetExtension("/a/b/Song.MP3", false), "MP3");
    EXPECT_EQ(GetExtension("/a/b/archive.tar.gz", false), "gz");
    EXPECT_EQ(GetExtension("/a/b/readme", false), "");
    EXPECT_EQ(GetExtension("name.", false), "");
    EXPECT_EQ(GetExtension("", true), "");
}

TEST(PathPartsTest, FolderPart) {
    EXPECT_EQ(GetFolderPart("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(GetFolderPart("/a/b/"), "/a/b/");
    EXPECT_EQ(GetFolderPart("c.txt"), "");
}

TEST(PathPartsTest, FileTitle) {
    EXPECT_EQ(GetFileTitle("/a/b/c.tar.gz"), "c.tar");
    EXPECT_EQ(GetFileTitle("/a/b/readme"), "readme");
    EXPECT_EQ(GetFileTitle("/a.d/readme"), "readme");
    EXPECT_EQ(GetFileTitle("page.html"), "page");
    EXPECT_EQ(GetFileTitle("/a/b/"), "");
}

TEST(FileExistsTest, AnythingButAFolder) {
    TempDir dir;
    WriteFileBytes(dir / "file", "");
    EXPECT_TRUE(FileExists((dir / "file").string()));
    EXPECT_FALSE(FileExists(dir.str()));
    EXPECT_FALSE(FileExists((dir / "missing").string()));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileSizeAndTimeTest, GivesSizeAndWriteTimeInSecondsSince1970) {
    TempDir dir;
    fs::path file = dir / "data.bin";
    WriteFileBytes(file, std::string(1234, 'z'));
    // 2001-09-09 01:46:40 UTC.
    auto written = std::chrono::sys_seconds(std::chrono::seconds(1000000000));
    fs::last_write_time(file, std::chrono::file_clock::from_sys(written));
    uint64_t size = 0;
    int64_t time = 0;
    ASSERT_TRUE(GetFileSizeAndTime(file.string(), size, time));
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(time, 1000000000);
}

TEST(FileSizeAndTimeTest, FailsForMissingFilesAndFolders) {
    TempDir dir;
    uint64_t size = 0;
    int64_t time = 0;
    EXPECT_FALSE(GetFileSizeAndTime((dir / "missing").string(), size, time));
    EXPECT_FALSE(GetFileSizeAndTime(dir.str(), size, time));
    EXPECT_FALSE(GetFileSizeAndTime("", size, time));
}

class ReadWholeFileTest : public ::testing::Test {
protected:
    TempDir dir;
    CapturedMessages messages;
};

TEST_F(ReadWholeFileTest, ReadsEveryByte) {
    std::string bytes("\0\x01\xff\r\n tail", 9);
    bytes += std::string(200000, 'q');
    WriteFileBytes(dir / "data.bin", bytes);
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadWholeFile((dir / "data.bin").string(), data));
    EXPECT_EQ(std::string(data.begin(), data.end()), bytes);
    EXPECT_TRUE(messages.all().empty());
}

TEST_F(ReadWholeFileTest, EmptyFileIsEmptyData) {
    WriteFileBytes(dir / "empty", "");
    std::vector<uint8_t> data{1, 2, 3};
    EXPECT_TRUE(ReadWholeFile((dir / "empty").string(), data));
    EXPECT_TRUE(data.empty());
}

TEST_F(ReadWholeFileTest, MessageLeavesOutTheFirst46CharactersOfALongName) {
    std::string path = "/" + std::string(44, 'p') + "/missing/file.dat";  // 46 characters, then the rest
    std::vector<uint8_t> data{1, 2, 3};
    EXPECT_FALSE(ReadWholeFile(path, data));
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"missing/file.dat\nCannot be read data."});
}

TEST_F(ReadWholeFileTest, MessageShowsAShortNameWhole) {
    std::string path = "/no/such/file.dat";
    std::vector<uint8_t> data;
    EXPECT_FALSE(ReadWholeFile(path, data));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"/no/such/file.dat\nCannot be read data."});
}

TEST_F(ReadWholeFileTest, RefusesFoldersAndPipesWithoutWaiting) {
    std::vector<uint8_t> data{1};
    EXPECT_FALSE(ReadWholeFile(dir.str(), data));
    EXPECT_TRUE(data.empty());
    fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadWholeFile(fifo.string(), data));
    EXPECT_FALSE(ReadWholeFile("/dev/zero", data));
    EXPECT_EQ(messages.all().size(), 3u);
}

TEST(WriteTempFileTest, WritesTheDataToANewSsdFileInTheTemporaryFolder) {
    IsolatedUser user;
    CapturedMessages messages;
    std::string bytes("abc\0def", 7);
    std::string first, second;
    ASSERT_TRUE(WriteTempFile(bytes.data(), bytes.size(), first));
    ASSERT_TRUE(WriteTempFile(bytes.data(), 3, second));
    EXPECT_NE(first, second);
    EXPECT_EQ(fs::path(first).parent_path(), user.privateFolder());
    EXPECT_EQ(fs::status(first).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::path(first).filename().string().rfind("Ssd", 0), 0u) << first;
    EXPECT_EQ(test::ReadFileBytes(first), bytes);
    EXPECT_EQ(test::ReadFileBytes(second), "abc");
    EXPECT_TRUE(messages.all().empty());
}

TEST(WriteTempFileTest, ReportsAFolderThatCannotBeWritten) {
    TempDir dir;
    ScopedEnv tmp("TMPDIR", (dir / "missing").string());
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    CapturedMessages messages;
    std::string path = "old";
    EXPECT_FALSE(WriteTempFile("x", 1, path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"It cannot be made data file."});
}

TEST(WriteTempFileTest, MissingDataIsAFailureThatLeavesNoFile) {
    IsolatedUser user;
    CapturedMessages messages;
    std::string path;
    EXPECT_FALSE(WriteTempFile(nullptr, 10, path));
    EXPECT_TRUE(!fs::exists(user.privateFolder()) || fs::is_empty(user.privateFolder()));
    EXPECT_EQ(messages.all().size(), 1u);
}

}  // namespace
}  // namespace korv
