#include "saver/data_files.h"

#include <sys/stat.h>

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
