#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

using test::TempDir;

const std::string kKey = "Software\\Halcyra\\Screen Saver\\Demo Saver\\Settings";

TEST(SettingsStore, ValuesRoundTripWithTheirTypes) {
    TempDir dir;
    SettingsStore store(dir.str());
    EXPECT_FALSE(store.ReadNumber(kKey, "Standard"));
    EXPECT_FALSE(store.ReadString(kKey, "RemoteSite"));

    const std::string awkward = "line1\nline2\r\t\"quoted\" back\\slash \x01 \xC3\xA9 end";
    ASSERT_TRUE(store.WriteNumber(kKey, "IntervalType", 0xFFFFFFFFu));
    ASSERT_TRUE(store.WriteString(kKey, "RemoteSite", awkward));
    ASSERT_TRUE(store.WriteString(kKey, "Empty", ""));

    SettingsStore again(dir.str());
    EXPECT_EQ(again.ReadNumber(kKey, "IntervalType"), 0xFFFFFFFFu);
    EXPECT_EQ(again.ReadString(kKey, "RemoteSite"), awkward);
    EXPECT_EQ(again.ReadString(kKey, "Empty"), "");  // present but empty is not missing
    // Names compare without regard to case; the other type reads as missing.
    EXPECT_EQ(again.ReadNumber(kKey, "intervaltype"), 0xFFFFFFFFu);
    EXPECT_FALSE(again.ReadString(kKey, "IntervalType"));
    EXPECT_FALSE(again.ReadNumber(kKey, "RemoteSite"));

    // Rewriting changes the type and keeps one entry.
    ASSERT_TRUE(again.WriteString(kKey, "INTERVALTYPE", "text now"));
    EXPECT_FALSE(again.ReadNumber(kKey, "IntervalType"));
    EXPECT_EQ(again.ReadValues(kKey).size(), 3u);
    ASSERT_TRUE(again.DeleteValue(kKey, "Empty"));
    EXPECT_FALSE(again.ReadString(kKey, "Empty"));
}

TEST(SettingsStore, KeysAreSeparateFilesAndTheMachineKeyIsNotASaverKey) {
    TempDir dir;
    SettingsStore store(dir.str());
    const std::string machineKey = "Software\\Halcyra\\Screen Saver";
    ASSERT_TRUE(store.WriteNumber(machineKey, "Times", 5));
    ASSERT_TRUE(store.WriteNumber(kKey, "Times", 9));
    EXPECT_EQ(store.ReadNumber(machineKey, "Times"), 5u);
    EXPECT_EQ(store.ReadNumber(kKey, "Times"), 9u);
    EXPECT_TRUE(std::filesystem::exists(store.ValuesFile(kKey)));
    EXPECT_TRUE(store.ValuesFile(kKey).starts_with(dir.str() + "/Software/Halcyra/Screen Saver/Demo Saver/Settings/"));
}

// The store holds the site password: nobody else may read its files or list
// its folders, also where an older build left the folders open.
TEST(SettingsStore, FilesAndFoldersAreTheUsersAlone) {
    namespace fs = std::filesystem;
    TempDir dir;
    const fs::path root = dir / "Halcyra";
    fs::create_directories(root / "Software");
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(root / "Software", fs::perms::all);
    SettingsStore store(root.string());
    ASSERT_TRUE(store.WriteString(kKey, "Password", "secret"));

    const auto groupOrOthers = fs::perms::group_all | fs::perms::others_all;
    EXPECT_EQ(fs::status(store.ValuesFile(kKey)).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    for (fs::path folder = store.KeyFolder(kKey); folder != root.parent_path(); folder = folder.parent_path())
        EXPECT_EQ(fs::status(folder).permissions() & groupOrOthers, fs::perms::none) << folder;

    // A root the user linked elsewhere is used, and what it points at is left as it is.
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directories(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    fs::create_directory_symlink(elsewhere, dir / "linked");
    SettingsStore linked((dir / "linked").string());
    ASSERT_TRUE(linked.WriteNumber(kKey, "Times", 3));
    EXPECT_EQ(linked.ReadNumber(kKey, "Times"), 3u);
    EXPECT_NE(fs::status(elsewhere).permissions() & fs::perms::group_read, fs::perms::none);
}

TEST(SettingsStore, HostileKeyPartsStayInsideTheRoot) {
    TempDir dir;
    SettingsStore store((dir / "root").string());
    for (const std::string& part : std::vector<std::string>{"..", "../../escape", ".", "a/b", "@values.reg", std::string("nul\0x", 5)}) {
        std::string key = "Software\\" + part + "\\Settings";
        ASSERT_TRUE(store.WriteNumber(key, "V", 1)) << part;
        auto file = std::filesystem::weakly_canonical(store.ValuesFile(key)).string();
        EXPECT_TRUE(file.starts_with((dir / "root").string() + "/")) << file;
        EXPECT_EQ(store.ReadNumber(key, "V"), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
}

TEST(SettingsStore, DamagedFilesReadAsDefaultsAndKeepTheirGoodLines) {
    TempDir dir;
    SettingsStore store(dir.str());
    test::WriteFileBytes(store.ValuesFile(kKey),
                         "garbage line\n\"Standard\"=dword:00000000\n\"Bad\"=dword:xyz\n\"Cut\"=\"no end\n"
                         "\"TooLong\"=dword:123456789\n\"Site\"=\"ok\"\r\n\x00\xFF\xFE");
    EXPECT_EQ(store.ReadNumber(kKey, "Standard"), 0u);
    EXPECT_EQ(store.ReadString(kKey, "Site"), "ok");
    EXPECT_FALSE(store.ReadNumber(kKey, "Bad"));
    EXPECT_FALSE(store.ReadString(kKey, "Cut"));
    EXPECT_FALSE(store.ReadNumber(kKey, "TooLong"));

    // A folder where the file should be, or an unreadable name, is no crash.
    std::filesystem::remove(store.ValuesFile(kKey));
    std::filesystem::create_directories(store.ValuesFile(kKey));
    EXPECT_FALSE(store.ReadNumber(kKey, "Standard"));
    EXPECT_FALSE(store.WriteNumber(kKey, "Standard", 1));
}

TEST(SettingsStore, ConcurrentWritersLoseNoValue) {
    TempDir dir;
    constexpr int kThreads = 4, kWrites = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            SettingsStore store(dir.str());  // each thread its own handle, as separate processes have
            for (int i = 0; i < kWrites; ++i)
                store.WriteNumber(kKey, "T" + std::to_string(t) + "_" + std::to_string(i), static_cast<uint32_t>(i));
        });
    std::vector<std::thread> readers;
    std::atomic<bool> sawDamage{false};
    for (int r = 0; r < 2; ++r)
        readers.emplace_back([&] {
            SettingsStore store(dir.str());
            for (int i = 0; i < 200; ++i)
                for (const auto& value : store.ReadValues(kKey))
                    if (value.name.empty() || value.name[0] != 'T') sawDamage = true;
        });
    for (auto& thread : threads) thread.join();
    for (auto& thread : readers) thread.join();
    EXPECT_FALSE(sawDamage);
    EXPECT_EQ(SettingsStore(dir.str()).ReadValues(kKey).size(), static_cast<size_t>(kThreads * kWrites));
}

TEST(SettingsStore, FollowsXdgConfigHome) {
    test::IsolatedUser user;
    SettingsStore store = SettingsStore::ForUser();
    EXPECT_EQ(store.Root(), (user.configHome() / "Halcyra").string());
    ASSERT_TRUE(store.WriteString("Software\\X", "A", "b"));
    EXPECT_TRUE(std::filesystem::exists(user.configHome() / "Halcyra" / "Software" / "X" / "@values.reg"));
}

}  // namespace
}  // namespace korv::platform
