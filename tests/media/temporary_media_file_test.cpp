#include "media/temporary_media_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folders.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
    return names;
}

TEST(TemporaryMediaFile, IsAPrivateCopyWithTheExtensionAndLeavesNothingElse) {
    test::IsolatedUser user;
    const std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F', 1, 2, 3};
    std::string path = MakeTemporaryMediaFile(bytes, ".avi");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(platform::PrivateTempFolder()));
    EXPECT_EQ(fs::path(path).extension(), ".avi");
    EXPECT_EQ(fs::path(path).filename().string().rfind("Ssd", 0), 0u);
    EXPECT_EQ(test::ReadFileBytes(path), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    // The first file, without the extension, is gone.
    EXPECT_EQ(FilesIn(fs::path(path).parent_path()), std::vector<std::string>{fs::path(path).filename().string()});

    DeleteTemporaryMediaFile(path);
    EXPECT_FALSE(fs::exists(path));
}

TEST(TemporaryMediaFile, TheEndOfTheProgramDeletesWhatPlayersLeft) {
    test::IsolatedUser user;
    std::string video = MakeTemporaryMediaFile(std::vector<uint8_t>{1}, ".avi");
    std::string song = MakeTemporaryMediaFile(std::vector<uint8_t>{2}, ".mid");
    ASSERT_FALSE(video.empty());
    ASSERT_FALSE(song.empty());
    DeleteAllTemporaryMediaFiles();
    EXPECT_FALSE(fs::exists(video));
    EXPECT_FALSE(fs::exists(song));
    EXPECT_TRUE(FilesIn(platform::PrivateTempFolder()).empty());
}

}  // namespace
}  // namespace korv
