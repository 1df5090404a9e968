#include "update/content_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>

#include "platform/folders.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

class ContentStoreTest : public ::testing::Test {
protected:
    fs::path Root() const { return fs::path(user_.dataHome()) / "Halcyra" / "KORV"; }
    fs::path Site() const { return Root() / "Saver"; }
    fs::path Version(int n) const {
        char name[16];
        std::snprintf(name, sizeof name, "Version%03d", n);
        return Site() / name;
    }
    void WriteScript(const fs::path& folder, const std::string& name, const std::string& text) {
        fs::create_directories(folder);
        test::WriteFileBytes(folder / name, text);
    }
    // Runs ChooseVersion for a freshly downloaded script.
    bool Choose(const std::string& script, std::string& folder, bool& changed) {
        std::string temp = InitStoreFolders();
        EXPECT_FALSE(temp.empty());
        test::WriteFileBytes(fs::path(temp) / "temp.vel", script);
        changed = false;
        return ChooseVersion("Saver", temp, folder, changed);
    }

    test::IsolatedUser user_;
};

TEST_F(ContentStoreTest, FirstRunMakesTheFoldersAndVersionZero) {
    std::string temp = InitStoreFolders();
    EXPECT_EQ(temp, (Root() / "Temp").string());
    EXPECT_TRUE(fs::is_directory(temp));
    std::string folder;
    bool changed = false;
    ASSERT_TRUE(Choose("VERSION 500;", folder, changed));
    EXPECT_EQ(folder, Version(0).string());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(changed);  // the first version is not a change by itself
}

TEST_F(ContentStoreTest, OnlyADifferentScriptMakesANewVersion) {
    WriteScript(Version(0), "Saver.vel", "A;\r");
    std::string folder;
    bool changed = false;
    ASSERT_TRUE(Choose("A;\r", folder, changed));
    EXPECT_EQ(folder, Version(0).string());
    EXPECT_FALSE(changed);
    // One character more (a line ending) is a new version.
    ASSERT_TRUE(Choose("A;\r\r", folder, changed));
    EXPECT_EQ(folder, Version(1).string());
    EXPECT_TRUE(changed);
    EXPECT_TRUE(fs::is_directory(Version(1)));
}

TEST_F(ContentStoreTest, CountingStopsAtTheFirstGapAndIgnoresLetterCase) {
    fs::create_directories(Version(0));
    fs::create_directories(Site() / "version001");
    fs::create_directories(Version(3));
    std::string latest;
    EXPECT_EQ(CountVersions("Saver", latest), 2);
    EXPECT_EQ(latest, (Site() / "version001").string());
}

TEST_F(ContentStoreTest, AnIncompleteLatestVersionIsFilledAgainNotFailedForever) {
    WriteScript(Version(0), "Saver.vel", "A;");
    fs::create_directories(Version(1));  // an update stopped before storing its script
    std::string folder;
    bool changed = false;
    ASSERT_TRUE(Choose("B;", folder, changed));
    EXPECT_EQ(folder, Version(1).string());
    EXPECT_TRUE(changed);
}

TEST_F(ContentStoreTest, OnlyAVersionMarkedAsLoadingIsPlayableAndThePurgeKeepsIt) {
    WriteScript(Version(0), "Saver.zep", "old");
    ASSERT_TRUE(MarkPlayable(Version(0).string()));
    WriteScript(Version(1), "Saver.zep", "played");
    WriteScript(Version(1), "picture.jpg", "x");
    ASSERT_TRUE(MarkPlayable(Version(1).string()));
    WriteScript(Version(2), "Saver.zep", "compiled, but did not load");
    WriteScript(Version(3), "Saver.vel", "half");  // cut short
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(1).string());
    ASSERT_TRUE(PurgeOldVersions("Saver"));
    EXPECT_TRUE(fs::is_empty(Version(0)));
    EXPECT_TRUE(fs::exists(Version(1) / "Saver.zep"));
    EXPECT_TRUE(fs::exists(Version(1) / "picture.jpg"));
    EXPECT_TRUE(fs::is_empty(Version(2)));
    EXPECT_TRUE(fs::exists(Version(3) / "Saver.vel"));  // the latest is being filled
    // Once a newer one is marked, the older ones are emptied.
    WriteScript(Version(3), "Saver.zep", "new");
    ASSERT_TRUE(MarkPlayable(Version(3).string()));
    ASSERT_TRUE(PurgeOldVersions("Saver"));
    EXPECT_TRUE(fs::is_empty(Version(1)));
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(3).string());
    // The mark alone is not enough: the scenario must be there too.
    fs::remove(Version(3) / "Saver.zep");
    EXPECT_EQ(PlayableVersionFolder("Saver"), "");
}

TEST_F(ContentStoreTest, NineHundredNinetyEightVersionsAreListedQuickly) {
    for (int n = 0; n < kMaxVersions - 1; ++n) fs::create_directories(Version(n));
    WriteScript(Version(3), "Saver.zep", "played");
    ASSERT_TRUE(MarkPlayable(Version(3).string()));
    auto started = std::chrono::steady_clock::now();
    std::string latest;
    EXPECT_EQ(CountVersions("Saver", latest), kMaxVersions - 1);
    EXPECT_EQ(PlayableVersionFolder("Saver"), Version(3).string());
    EXPECT_TRUE(PurgeOldVersions("Saver"));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_LT(took.count(), 1000) << "listing 998 versions took " << took.count() << " ms";
    std::cout << "count, playable version and purge over 998 versions: " << took.count() << " ms\n";
    RecordProperty("versions_998_ms", static_cast<int>(took.count()));
    EXPECT_TRUE(fs::exists(Version(3) / "Saver.zep"));
}

TEST_F(ContentStoreTest, AtTheVersionLimitNumberingStartsAgainFromThePlayedVersion) {
    for (int n = 0; n < kMaxVersions; ++n) fs::create_directories(Version(n));
    WriteScript(Version(998), "Saver.vel", "A;");
    WriteScript(Version(998), "Saver.zep", "played");
    ASSERT_TRUE(MarkPlayable(Version(998).string()));
    std::string folder;
    bool changed = false;
    ASSERT_TRUE(Choose("B;", folder, changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(folder, Version(1).string());
    EXPECT_TRUE(fs::exists(Version(0) / "Saver.zep"));
    EXPECT_FALSE(fs::exists(Version(2)));
    std::string latest;
    EXPECT_EQ(CountVersions("Saver", latest), 2);
}

class VersionCountTest : public ::testing::Test {
protected:
    fs::path Site() const { return user_.dataHome() / "Halcyra" / "KORV" / "demo"; }
    void MakeVersion(const std::string& name, bool withFile = true) {
        fs::create_directories(Site() / name / "sub");
        if (withFile) {
            test::WriteFileBytes(Site() / name / "demo.zep", "zep");
            test::WriteFileBytes(Site() / name / "sub" / "pic.jpg", "jpg");
        }
    }
    test::IsolatedUser user_;
};

TEST_F(VersionCountTest, NoSiteFolderCountsZeroAndNamesVersion000) {
    std::string latest;
    EXPECT_EQ(CountVersions("demo", latest), 0);
    EXPECT_EQ(latest, (Site() / "Version000").string());
    EXPECT_TRUE(PurgeOldVersions("demo"));
}

TEST_F(VersionCountTest, CountingStopsAtTheFirstGapAndIgnoresCase) {
    MakeVersion("Version000");
    MakeVersion("Version002");
    std::string latest;
    EXPECT_EQ(CountVersions("demo", latest), 1);
    EXPECT_EQ(latest, (Site() / "Version000").string());

    MakeVersion("version001");  // other letter case counts
    EXPECT_EQ(CountVersions("demo", latest), 3);
    EXPECT_EQ(latest, (Site() / "Version002").string());
    fs::remove_all(Site() / "Version002");
    EXPECT_EQ(CountVersions("demo", latest), 2);
    EXPECT_EQ(latest, (Site() / "version001").string());  // the folder as it is on disk
}

TEST_F(VersionCountTest, OnlyFoldersNamedVersionAndThreeDigitsCount) {
    MakeVersion("Version000");
    test::WriteFileBytes(Site() / "Version001", "a file named like a version");
    fs::create_directories(Site() / "VersionAB2");
    fs::create_directories(Site() / "Version0002");
    fs::create_directories(Site() / "Version999");  // beyond the limit
    std::string latest;
    EXPECT_EQ(CountVersions("demo", latest), 1);
    EXPECT_EQ(latest, (Site() / "Version000").string());

    fs::remove(Site() / "Version001");
    MakeVersion("VERSION001");
    EXPECT_EQ(CountVersions("demo", latest), 2);
    EXPECT_EQ(latest, (Site() / "VERSION001").string());
}

TEST_F(VersionCountTest, PurgeEmptiesAllButTheLatestAndKeepsTheFolders) {
    MakeVersion("Version000");
    MakeVersion("Version001");
    MakeVersion("Version002");
    EXPECT_TRUE(PurgeOldVersions("demo"));
    for (const char* old : {"Version000", "Version001"}) {
        EXPECT_TRUE(fs::is_directory(Site() / old));
        EXPECT_TRUE(fs::is_empty(Site() / old)) << old;
    }
    EXPECT_TRUE(fs::exists(Site() / "Version002" / "demo.zep"));
    EXPECT_TRUE(fs::exists(Site() / "Version002" / "sub" / "pic.jpg"));
    std::string latest;
    EXPECT_EQ(CountVersions("demo", latest), 3);  // emptied folders keep counting
}

}  // namespace
}  // namespace korv
