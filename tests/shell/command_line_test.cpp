#include "shell/command_line.h"

#include <gtest/gtest.h>

#include "shell/host_draw_target.h"

namespace korv {
namespace {

SaverMode Mode(std::vector<std::string> arguments) { return ParseSaverMode(arguments); }

TEST(SaverSwitches, OnlyTheFirstTwoCharactersOfTheFirstArgumentCount) {
    EXPECT_EQ(Mode({}), SaverMode::Settings);
    for (const char* full : {"/s", "-S", "s", "S", "/S", "-s", "/sx", "-s:5"})
        EXPECT_EQ(Mode({full}), SaverMode::FullScreen) << full;
    for (const char* settings : {"/c", "/c:1234", "c", "-C"})
        EXPECT_EQ(Mode({settings}), SaverMode::SettingsOwned) << settings;
    EXPECT_EQ(Mode({"/p", "1234"}), SaverMode::Preview);
    EXPECT_EQ(Mode({"/a"}), SaverMode::ChangePassword);
    EXPECT_EQ(Mode({"A", "ignored"}), SaverMode::ChangePassword);
    for (const char* unknown : {"sx", "x", "/x", "//s", "--s", "", "/", "-", "cs", "\xC5\xA0"})
        EXPECT_EQ(Mode({unknown}), SaverMode::Unknown) << unknown;
}

TEST(SaverSwitches, PreviewHandlesAreDecimalOrHex) {
    EXPECT_EQ(ParseWindowHandle("1234"), 1234u);
    EXPECT_EQ(ParseWindowHandle("0x4a00007"), 0x4a00007u);
    EXPECT_EQ(ParseWindowHandle("0X1F"), 0x1Fu);
    for (const char* bad : {"", "0", "0x", "12ab", "-5", " 12", "99999999999999999999999", "0xZZ"})
        EXPECT_FALSE(ParseWindowHandle(bad)) << bad;
}

// The switches of X screen-saver hosts win wherever they stand, even after
// an option of another saver that looks like "/s".
TEST(HostSwitches, BothDashFormsAnywhereSelectTheHostedMode) {
    for (std::vector<std::string> hosted :
         std::vector<std::vector<std::string>>{{"-root"}, {"--root"}, {"-window-id", "12"}, {"--window-id", "0x1f"},
                                               {"-install", "-visual", "default", "-root"}, {"-speed", "5", "-root"},
                                               {"-window-id"}})
        EXPECT_EQ(Mode(hosted), SaverMode::Hosted) << hosted.front();
    for (const char* other : {"root", "/root", "---root", "-Root", "-window", "-window-id=5", "-rooted"})
        EXPECT_NE(Mode({other}), SaverMode::Hosted) << other;
    EXPECT_EQ(Mode({"-r"}), SaverMode::Unknown);
    EXPECT_EQ(Mode({"/s", "x"}), SaverMode::FullScreen);
}

std::optional<HostDrawTarget> Target(std::vector<std::string> arguments, std::string variable = "") {
    return ParseHostDrawTarget(arguments, variable);
}

TEST(HostSwitches, TheWindowComesFromTheVariableThenTheIdThenTheRoot) {
    auto root = Target({"-root"});
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->screenRoot);
    auto decimal = Target({"--window-id", "6291464"});
    ASSERT_TRUE(decimal);
    EXPECT_FALSE(decimal->screenRoot);
    EXPECT_EQ(decimal->window, 6291464u);
    auto hex = Target({"-root", "-window-id", "0x600008"});
    ASSERT_TRUE(hex);
    EXPECT_FALSE(hex->screenRoot);
    EXPECT_EQ(hex->window, 0x600008u);

    // The host's variable comes before both switches, and a bad id beside it does not count.
    for (std::vector<std::string> arguments :
         std::vector<std::vector<std::string>>{{"-root"}, {"-window-id", "77"}, {"-window-id", "bad"}}) {
        auto hosted = Target(arguments, "0x600008");
        ASSERT_TRUE(hosted) << arguments.back();
        EXPECT_FALSE(hosted->screenRoot);
        EXPECT_EQ(hosted->window, 0x600008u);
    }
    EXPECT_EQ(Target({"-root"}, "6291464")->window, 6291464u);
}

TEST(HostSwitches, MissingOrBadWindowIdsGiveNoTarget) {
    EXPECT_FALSE(Target({"/s"}));
    EXPECT_FALSE(Target({"-window-id"}));
    EXPECT_FALSE(Target({"-root", "-window-id"}));
    EXPECT_FALSE(Target({"-window-id", "-root"}));
    for (const char* bad : {"0", "0x", "xyz", "-5", "0x600008 "}) EXPECT_FALSE(Target({"--window-id", bad})) << bad;
    for (const char* bad : {"0", "window", "0xZZ"}) EXPECT_FALSE(Target({"-root"}, bad)) << bad;
}

}  // namespace
}  // namespace korv
