#include "platform/folders.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

struct XdgCase {
    const char* variable;
    const char* defaultUnderHome;
    std::function<std::string()> folder;
};

class XdgFolderTest : public ::testing::TestWithParam<XdgCase> {};

TEST_P(XdgFolderTest, AbsoluteValueIsUsedWithoutFinalSlash) {
    ScopedEnv value(GetParam().variable, "/somewhere/else/");
    EXPECT_EQ(GetParam().folder(), "/somewhere/else");
}

TEST_P(XdgFolderTest, EmptyOrRelativeValueFallsBackToHome) {
    ScopedEnv home("HOME", "/home/tester");
    std::string expected = std::string("/home/tester/") + GetParam().defaultUnderHome;
    for (const char* ignored : {"", "relative/path"}) {
        ScopedEnv value(GetParam().variable, std::string(ignored));
        EXPECT_EQ(GetParam().folder(), expected) << "value \"" << ignored << "\"";
    }
    ScopedEnv unset(GetParam().variable, std::nullopt);
    EXPECT_EQ(GetParam().folder(), expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, XdgFolderTest,
                         ::testing::Values(XdgCase{"XDG_DATA_HOME", ".local/share", ApplicationDataFolder},
                                           XdgCase{"XDG_CONFIG_HOME", ".config", ConfigFolder},
                                           XdgCase{"XDG_STATE_HOME", ".local/state", StateFolder}),
                         [](const auto& info) { return std::string(info.param.variable); });

TEST(HomeFolderTest, ComesFromHomeOrElseThePasswordDatabase) {
    {
        ScopedEnv home("HOME", "/home/tester/");
        EXPECT_EQ(HomeFolder(), "/home/tester");
    }
    ScopedEnv home("HOME", std::nullopt);
    std::string fromDatabase = HomeFolder();
    ASSERT_FALSE(fromDatabase.empty());
    EXPECT_EQ(fromDatabase[0], '/');
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(ApplicationDataFolder(), JoinPath(fromDatabase, ".local/share"));
}

TEST(TempFolderTest, ComesFromTmpdirWithoutFinalSlash) {
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp/mine//");
        EXPECT_EQ(TempFolder(), "/var/tmp/mine");
    }
    {
        ScopedEnv tmp("TMPDIR", "/");
        EXPECT_EQ(TempFolder(), "/");
    }
    {
        ScopedEnv tmp("TMPDIR", "");
        EXPECT_EQ(TempFolder(), "/tmp");
    }
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(TempFolder(), "/tmp");
}

TEST(JoinPathTest, PutsExactlyOneSeparatorBetweenTheParts) {
    EXPECT_EQ(JoinPath("a", "b"), "a/b");
    EXPECT_EQ(JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(JoinPath("a//", "/b/c"), "a/b/c");
    EXPECT_EQ(JoinPath("/", "b"), "/b");
    EXPECT_EQ(JoinPath("a", ""), "a/");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(CreateUniqueTempFileTest, CreatesDistinctEmptyFilesWithThePrefix) {
    TempDir dir;
    std::string first = CreateUniqueTempFile(dir.str(), "Ssd");
    std::string second = CreateUniqueTempFile(dir.str() + "/", "Ssd");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        fs::path file(name);
        EXPECT_EQ(file.parent_path(), dir.path());
        EXPECT_EQ(file.filename().string().rfind("Ssd", 0), 0u) << file;
        EXPECT_TRUE(fs::is_regular_file(file));
        EXPECT_EQ(fs::file_size(file), 0u);
    }
}

TEST(CreateUniqueTempFileTest, FailsWithoutAUsableFolder) {
    TempDir dir;
    EXPECT_EQ(CreateUniqueTempFile((dir / "missing").string(), "Ssd"), "");
    EXPECT_EQ(CreateUniqueTempFile("", "Ssd"), "");
    test::WriteFileBytes(dir / "plain", "x");
    EXPECT_EQ(CreateUniqueTempFile((dir / "plain").string(), "Ssd"), "");
}

}  // namespace
}  // namespace korv::platform

namespace korv::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempDir;

constexpr fs::perms kOwnerOnly = fs::perms::owner_all;

// The private folder for screen captures and media copies: the runtime
// folder when it is the user's own, else a folder of ours in the temporary
// folder; never a folder or link someone else prepared.
class PrivateTempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(run / "user");
        fs::permissions(run / "user", kOwnerOnly, fs::perm_options::replace);
        fs::create_directories(tmp.path());
    }
    std::string Own() const { return "korv-" + std::to_string(geteuid()); }

    TempDir run, tmp;
    ScopedEnv tmpdir{"TMPDIR", tmp.str()};
};

TEST_F(PrivateTempFolderTest, LivesInTheUsersRuntimeFolderAndIsMadeOwnerOnly) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", (run / "user").string() + "/");
    EXPECT_EQ(PrivateTempFolder(), (run / "user" / "korv").string());
    EXPECT_EQ(fs::status(run / "user" / "korv").permissions(), kOwnerOnly);

    // A folder of ours that others could enter is closed again.
    fs::permissions(run / "user" / "korv", fs::perms::all, fs::perm_options::replace);
    EXPECT_EQ(PrivateTempFolder(), (run / "user" / "korv").string());
    EXPECT_EQ(fs::status(run / "user" / "korv").permissions(), kOwnerOnly);
}

TEST_F(PrivateTempFolderTest, ARuntimeFolderOthersCanEnterOrNoneAtAllGivesTheTemporaryFolder) {
    fs::permissions(run / "user", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                    fs::perm_options::replace);
    for (std::optional<std::string> value : {std::optional<std::string>((run / "user").string()),
                                             std::optional<std::string>("relative"), std::optional<std::string>()}) {
        ScopedEnv runtime("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(PrivateTempFolder(), (tmp / Own()).string()) << value.value_or("(unset)");
        EXPECT_EQ(fs::status(tmp / Own()).permissions(), kOwnerOnly);
    }
    EXPECT_FALSE(fs::exists(run / "user" / "korv"));
}

TEST_F(PrivateTempFolderTest, APreparedLinkOrFileInItsPlaceIsNeverUsed) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), tmp / Own());
    std::string folder = PrivateTempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder, (tmp / Own()).string());
    EXPECT_FALSE(fs::is_symlink(folder));
    EXPECT_EQ(fs::status(folder).permissions(), kOwnerOnly);
    EXPECT_EQ(PrivateTempFolder(), folder) << "one fallback folder per process";
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

}  // namespace
}  // namespace korv::platform
