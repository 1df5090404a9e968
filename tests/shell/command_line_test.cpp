#include "shell/command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korv
