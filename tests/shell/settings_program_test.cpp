#include "shell/settings_program.h"

#include <gtest/gtest.h>

namespace korv {
namespace {

// Any text survives the way to the program, and input that is cut short or
// has more than the fields is refused rather than read into wrong fields.
TEST(SettingsProgramInputTest, TextsRoundTripAndDamagedInputIsRefused) {
    SettingsProgramInput input{"My Saver", 1, "user:name", "pa\nss:12", 1500};
    const std::string encoded = EncodeSettingsProgramInput(input);
    auto decoded = DecodeSettingsProgramInput(encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->saverName, "My Saver");
    EXPECT_EQ(decoded->useAuth, 1);
    EXPECT_EQ(decoded->username, "user:name");
    EXPECT_EQ(decoded->password, "pa\nss:12");
    EXPECT_EQ(decoded->refreshMinutes, 1500);

    EXPECT_FALSE(DecodeSettingsProgramInput(encoded.substr(0, encoded.size() - 1)));
    EXPECT_FALSE(DecodeSettingsProgramInput(encoded + "0:"));
    EXPECT_FALSE(DecodeSettingsProgramInput(""));
    EXPECT_FALSE(DecodeSettingsProgramInput("99:short"));
}

}  // namespace
}  // namespace korv
