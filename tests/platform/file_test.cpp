#include "platform/file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFileBytes;

TEST(ReadFileTest, ReadsEveryByteUpToTheLimit) {
    TempDir dir;
    std::string bytes("\0\x01\xff\r\n", 5);
    bytes += std::string(100000, 'q');
    WriteFileBytes(dir / "data", bytes);
    std::string path = (dir / "data").string();

    EXPECT_EQ(ReadFileText(path), bytes);
    EXPECT_EQ(ReadFileText(path, bytes.size()), bytes);
    auto asBytes = ReadFileBytes(path);
    ASSERT_TRUE(asBytes);
    EXPECT_EQ(std::string(asBytes->begin(), asBytes->end()), bytes);
    EXPECT_FALSE(ReadFileText(path, bytes.size() - 1));
    EXPECT_FALSE(ReadFileBytes(path, 10));

    WriteFileBytes(dir / "empty", "");
    EXPECT_EQ(ReadFileText((dir / "empty").string()), "");
}

TEST(ReadFileTest, RefusesMissingFilesFoldersAndPipesWithoutWaiting) {
    TempDir dir;
    EXPECT_FALSE(ReadFileBytes((dir / "missing").string()));
    EXPECT_FALSE(ReadFileBytes(dir.str()));
    fs::path fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadFileText(fifo.string()));
    EXPECT_FALSE(ReadFileText("/dev/zero"));
}

}  // namespace
}  // namespace korv::platform
