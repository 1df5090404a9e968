#include "saver/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

class FileLogTest : public ::testing::Test {
protected:
    void SetUp() override { SetFileLogName((dir_ / "korvlog.txt").string()); }
    void TearDown() override {
        SetFileLogEnabled(false);
        SetFileLogName("");
    }
    test::TempDir dir_;
};

TEST_F(FileLogTest, FlagOffTouchesNoFile) {
    SetFileLogEnabled(false);
    FileLog("nothing");
    FileLogFormat("value %d", 5);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "korvlog.txt"));
}

TEST_F(FileLogTest, LinesAreAppendedUnchangedWithCrLf) {
    SetFileLogEnabled(true);
    FileLog("first\nsecond\r\nthird");
    FileLogFormat("Startujem update %s", "http://a/");
    FileLogFormat("%d i %d", 1, 2);
    EXPECT_EQ(test::ReadFileBytes(dir_ / "korvlog.txt"),
              "first\nsecond\r\nthird\r\nStartujem update http://a/\r\n1 i 2\r\n");
    FileLogDelete();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "korvlog.txt"));
}

TEST(AppLogChannel, RecordsNothingUnlessDiagnosisIsOn) {
    test::TempDir dir;
    auto file = (dir / "korv_log.txt").string();
    AppLogOpen(file);
    {
        test::ScopedEnv off("KORV_LOG", std::nullopt);
        AppLog("silent");
        EXPECT_FALSE(std::filesystem::exists(file));
    }
    {
        test::ScopedEnv on("KORV_LOG", "1");
        AppLog("Starting runtime");
        EXPECT_EQ(test::ReadFileBytes(file), "Starting runtime\r\n");
    }
    AppLogOpen("");
}

}  // namespace
}  // namespace korv
