#include "update/content_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

class ContentStoreTest : public ::testing::Test {
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

TEST_F(ContentStoreTest, NoSiteFolderCountsZeroAndNamesVersion000) {
    std::string latest;
    EXPECT_EQ(CountVersions("demo", latest), 0);
    EXPECT_EQ(latest, (Site() / "Version000").string());
    EXPECT_TRUE(PurgeOldVersions("demo"));
}

TEST_F(ContentStoreTest, CountingStopsAtTheFirstGapAndIgnoresCase) {
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

TEST_F(ContentStoreTest, PurgeEmptiesAllButTheLatestAndKeepsTheFolders) {
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
