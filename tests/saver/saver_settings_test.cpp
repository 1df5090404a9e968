#include "saver/saver_settings.h"

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

namespace korv {
namespace {

// Each value the code names by its table entry is the registry value of that
// name, with the default the saver has always used.
TEST(SaverSettingsTable, NamedValuesKeepTheirRegistryNamesAndDefaults) {
    test::IsolatedUser user;
    SaverSettings settings(platform::SettingsStore::ForUser(), "demo");
    const struct {
        Setting setting;
        const char* name;
        int32_t numberDefault;
    } numbers[] = {
        {Setting::Standard, "Standard", 1},       {Setting::MouseMove, "MouseMove", 0},
        {Setting::ButtonDown, "ButtonDown", 0},   {Setting::DoubleClick, "DoubleClick", 0},
        {Setting::KeyDown, "KeyDown", 0},         {Setting::Escape, "Escape", 0},
        {Setting::Mute, "Mute", 0},               {Setting::UpdateStatus, "UpdateStatus", 0},
        {Setting::ProxyStatus, "ProxyStatus", 1}, {Setting::ProxyPort, "ProxyPort", 0},
        {Setting::LastUpdate, "LastUpdate", 0},   {Setting::IntervalTime, "IntervalTime", 0},
        {Setting::IntervalType, "IntervalType", -1}, {Setting::SessionStatus, "SessionStatus", 0},
        {Setting::UseAuth, "UseAuth", 0},         {Setting::Times, "Times", 0},
    };
    for (const auto& number : numbers) {
        SCOPED_TRACE(number.name);
        EXPECT_EQ(settings.ReadInt(number.setting), number.numberDefault);
        ASSERT_TRUE(settings.WriteInt(number.setting, 4321));
        EXPECT_EQ(settings.ReadInt(number.name, 0), 4321);
    }
    const struct {
        Setting setting;
        const char* name;
    } texts[] = {{Setting::ProxyAddress, "ProxyAddress"}, {Setting::RemoteSite, "RemoteSite"},
                 {Setting::RedirectValue, "RedirectValue"}, {Setting::Username, "Username"},
                 {Setting::Password, "Password"}};
    for (const auto& text : texts) {
        SCOPED_TRACE(text.name);
        EXPECT_EQ(settings.ReadString(text.setting), "");
        EXPECT_EQ(settings.ReadString(text.setting, "from the payload"), "from the payload");
        ASSERT_TRUE(settings.WriteString(text.setting, "stored"));
        EXPECT_EQ(settings.ReadString(text.name, ""), "stored");
    }
}

}  // namespace
}  // namespace korv
