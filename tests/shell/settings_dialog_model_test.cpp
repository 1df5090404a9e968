// The settings dialog without a display: what it shows on opening, what its
// buttons change and what OK stores (or refuses to store).

#include <gtest/gtest.h>

#include <ctime>
#include <memory>

#include "platform/settings_store.h"
#include "shell/settings_dialog_model.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using settings_dialog::ExitRules;
using settings_dialog::ProxyChoice;
using settings_dialog::State;

constexpr int64_t kNow = 1'800'000'000;  // Friday, 15 January 2027, 08:00:00 UTC
constexpr const char* kNowText = "January 15, 2027 - 08:00";
constexpr const char* kNotAPortMessage = "Please enter a positive integer.";

// Local time is this zone for the scope.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::string& zone) : env_(std::make_unique<test::ScopedEnv>("TZ", zone)) { tzset(); }
    ~ScopedTimeZone() {
        env_.reset();
        tzset();
    }

private:
    std::unique_ptr<test::ScopedEnv> env_;
};

class SettingsDialogTest : public ::testing::Test {
protected:
    SettingsDialogTest() { config_.refreshMinutes = 60; }

    State Open() { return settings_dialog::Open(settings_, config_, clock_); }
    std::vector<platform::SettingsValue> Stored() const { return settings_.Store().ReadValues(settings_.Key()); }
    int32_t Number(Setting setting) const { return settings_.ReadInt(setting); }
    std::string Text(Setting setting) const { return settings_.ReadString(setting); }
    void ExpectSaved(const State& state) {
        const settings_dialog::OkResult result = settings_dialog::Ok(state, settings_);
        EXPECT_TRUE(result.saved);
        EXPECT_EQ(result.message, "");
    }

    test::IsolatedUser user_;
    ScopedTimeZone zone_{"UTC"};
    // No browser proxy unless a test sets one.
    test::ScopedEnv httpProxy_{"http_proxy", std::nullopt}, httpProxyUpper_{"HTTP_PROXY", std::nullopt};
    test::ScopedEnv ftpProxy_{"ftp_proxy", std::nullopt}, ftpProxyUpper_{"FTP_PROXY", std::nullopt};
    test::VirtualSystemClock clock_{kNow};
    SaverSettings settings_{platform::SettingsStore::ForUser(), "demo"};
    SaverConfig config_;
};

TEST_F(SettingsDialogTest, OpensAFreshSaverWithTheTableDefaultsAndWritesNothing) {
    config_.useAuth = 1;
    config_.username = "payload-user";
    config_.password = "payload-secret";
    const State state = Open();

    EXPECT_EQ(state.exitRules, ExitRules::Standard);
    EXPECT_FALSE(state.customBoxesEnabled);
    EXPECT_FALSE(state.exitOnMouseMove || state.exitOnClick || state.exitOnDoubleClick || state.exitOnKeyPressed ||
                 state.exitOnEscape);
    EXPECT_FALSE(state.mute);
    EXPECT_FALSE(state.noUpdateChecks);
    // ProxyStatus defaults to 1: the browser's proxy, here none.
    EXPECT_EQ(state.proxy, ProxyChoice::Automatic);
    EXPECT_FALSE(state.proxyEditsEnabled);
    EXPECT_EQ(state.proxyAddress, "");
    EXPECT_EQ(state.proxyPort, "0");
    // The credentials the saver runs with.
    EXPECT_TRUE(state.useAuthentication);
    EXPECT_TRUE(state.credentialEditsEnabled);
    EXPECT_EQ(state.username, "payload-user");
    EXPECT_EQ(state.password, "payload-secret");
    // Never updated: the check is due now.
    EXPECT_EQ(state.nextUpdate, kNowText);
    // Opening and cancelling leaves the store as it was.
    EXPECT_TRUE(Stored().empty());
}

TEST_F(SettingsDialogTest, OpensWithTheStoredValues) {
    settings_.WriteInt(Setting::Standard, 0);
    settings_.WriteInt(Setting::ButtonDown, 1);
    settings_.WriteInt(Setting::Escape, 1);
    settings_.WriteInt(Setting::Mute, 1);
    settings_.WriteInt(Setting::UpdateStatus, 1);
    settings_.WriteInt(Setting::ProxyStatus, 2);
    settings_.WriteString(Setting::ProxyAddress, "cache.example.net");
    settings_.WriteInt(Setting::ProxyPort, 3128);
    settings_.WriteInt(Setting::UseAuth, 0);
    settings_.WriteString(Setting::Username, "stored-user");
    settings_.WriteString(Setting::Password, "stored-secret");
    config_.useAuth = 1;
    config_.username = "payload-user";
    config_.password = "payload-secret";
    const State state = Open();

    EXPECT_EQ(state.exitRules, ExitRules::Custom);
    EXPECT_TRUE(state.customBoxesEnabled);
    EXPECT_FALSE(state.exitOnMouseMove);
    EXPECT_TRUE(state.exitOnClick);
    EXPECT_FALSE(state.exitOnDoubleClick);
    EXPECT_FALSE(state.exitOnKeyPressed);
    EXPECT_TRUE(state.exitOnEscape);
    EXPECT_TRUE(state.mute);
    EXPECT_TRUE(state.noUpdateChecks);
    EXPECT_EQ(state.proxy, ProxyChoice::Manual);
    EXPECT_TRUE(state.proxyEditsEnabled);
    EXPECT_EQ(state.proxyAddress, "cache.example.net");
    EXPECT_EQ(state.proxyPort, "3128");
    // Stored values win over the running configuration.
    EXPECT_FALSE(state.useAuthentication);
    EXPECT_FALSE(state.credentialEditsEnabled);
    EXPECT_EQ(state.username, "stored-user");
    EXPECT_EQ(state.password, "stored-secret");
}

TEST_F(SettingsDialogTest, ProxyButtonsShowTheBrowsersProxyWithoutStoringIt) {
    test::ScopedEnv browserProxy("http_proxy", "http://relay.example.org:8081/");
    settings_.WriteInt(Setting::ProxyStatus, 2);
    settings_.WriteString(Setting::ProxyAddress, "cache.example.net");
    settings_.WriteInt(Setting::ProxyPort, 3128);
    State state = Open();

    settings_dialog::ChooseProxy(state, ProxyChoice::Automatic);
    EXPECT_EQ(state.proxyAddress, "relay.example.org");
    EXPECT_EQ(state.proxyPort, "8081");
    EXPECT_FALSE(state.proxyEditsEnabled);
    // Manual takes over what the edits show; none only disables them.
    settings_dialog::ChooseProxy(state, ProxyChoice::Manual);
    EXPECT_TRUE(state.proxyEditsEnabled);
    EXPECT_EQ(state.proxyAddress, "relay.example.org");
    settings_dialog::ChooseProxy(state, ProxyChoice::None);
    EXPECT_FALSE(state.proxyEditsEnabled);
    EXPECT_EQ(state.proxyPort, "8081");

    // Back to automatic and OK: only the choice is stored, the earlier
    // manual proxy stays.
    settings_dialog::ChooseProxy(state, ProxyChoice::Automatic);
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::ProxyStatus), 1);
    EXPECT_EQ(Text(Setting::ProxyAddress), "cache.example.net");
    EXPECT_EQ(Number(Setting::ProxyPort), 3128);

    // Opened on automatic, it shows the browser's proxy again.
    const State reopened = Open();
    EXPECT_EQ(reopened.proxy, ProxyChoice::Automatic);
    EXPECT_EQ(reopened.proxyAddress, "relay.example.org");
}

TEST_F(SettingsDialogTest, ProxyChoicesAreStoredWithTheManualAddress) {
    State state = Open();
    settings_dialog::ChooseProxy(state, ProxyChoice::Manual);
    state.proxyAddress = "10.1.2.3";
    state.proxyPort = "8080";
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::ProxyStatus), 2);
    EXPECT_EQ(Text(Setting::ProxyAddress), "10.1.2.3");
    EXPECT_EQ(Number(Setting::ProxyPort), 8080);

    settings_dialog::ChooseProxy(state, ProxyChoice::None);
    state.proxyAddress = "typed.but.unused";
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::ProxyStatus), 0);
    EXPECT_EQ(Text(Setting::ProxyAddress), "10.1.2.3");

    // None opens with empty, disabled edits.
    const State reopened = Open();
    EXPECT_EQ(reopened.proxy, ProxyChoice::None);
    EXPECT_FALSE(reopened.proxyEditsEnabled);
    EXPECT_EQ(reopened.proxyAddress, "");
    EXPECT_EQ(reopened.proxyPort, "0");
}

TEST_F(SettingsDialogTest, ExitRulesStoreTheStandardOnesUnlessACustomBoxIsChecked) {
    settings_.WriteInt(Setting::Standard, 0);
    settings_.WriteInt(Setting::MouseMove, 1);
    State state = Open();

    // Custom without any box: the standard rules are stored.
    state.exitOnMouseMove = false;
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::Standard), 1);
    EXPECT_EQ(Number(Setting::MouseMove), 0);

    state.exitOnDoubleClick = true;
    state.exitOnKeyPressed = true;
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::Standard), 0);
    EXPECT_EQ(Number(Setting::MouseMove), 0);
    EXPECT_EQ(Number(Setting::ButtonDown), 0);
    EXPECT_EQ(Number(Setting::DoubleClick), 1);
    EXPECT_EQ(Number(Setting::KeyDown), 1);
    EXPECT_EQ(Number(Setting::Escape), 0);

    // Standard clears the boxes, even those still checked (and disabled).
    settings_dialog::ChooseExitRules(state, ExitRules::Standard);
    EXPECT_FALSE(state.customBoxesEnabled);
    EXPECT_TRUE(state.exitOnDoubleClick);
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::Standard), 1);
    EXPECT_EQ(Number(Setting::DoubleClick), 0);
    EXPECT_EQ(Number(Setting::KeyDown), 0);

    settings_dialog::ChooseExitRules(state, ExitRules::Custom);
    EXPECT_TRUE(state.customBoxesEnabled);
}

TEST_F(SettingsDialogTest, CredentialsAreStoredOnlyWithAuthenticationChecked) {
    settings_.WriteInt(Setting::UseAuth, 1);
    settings_.WriteString(Setting::Username, "stored-user");
    settings_.WriteString(Setting::Password, "stored-secret");
    State state = Open();

    settings_dialog::SetAuthentication(state, false);
    EXPECT_FALSE(state.credentialEditsEnabled);
    state.username = "typed-user";
    state.password = "typed-secret";
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::UseAuth), 0);
    EXPECT_EQ(Text(Setting::Username), "stored-user");
    EXPECT_EQ(Text(Setting::Password), "stored-secret");

    settings_dialog::SetAuthentication(state, true);
    EXPECT_TRUE(state.credentialEditsEnabled);
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::UseAuth), 1);
    EXPECT_EQ(Text(Setting::Username), "typed-user");
    EXPECT_EQ(Text(Setting::Password), "typed-secret");
}

TEST_F(SettingsDialogTest, OtherSwitchesAreStored) {
    State state = Open();
    state.mute = true;
    state.noUpdateChecks = true;
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::Mute), 1);
    EXPECT_EQ(Number(Setting::UpdateStatus), 1);
    state.mute = false;
    state.noUpdateChecks = false;
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::Mute), 0);
    EXPECT_EQ(Number(Setting::UpdateStatus), 0);
}

TEST_F(SettingsDialogTest, APortThatIsNoUnsignedNumberIsRefusedAndNothingIsStored) {
    settings_.WriteInt(Setting::Mute, 0);
    const std::vector<platform::SettingsValue> before = Stored();
    State state = Open();
    settings_dialog::ChooseProxy(state, ProxyChoice::Manual);
    state.proxyAddress = "10.1.2.3";
    state.mute = true;
    for (const char* port : {"", "  ", "-1", "+1", "12a", "0x10", "1.5", "99999999999", "4294967296"}) {
        SCOPED_TRACE(std::string("port \"") + port + "\"");
        state.proxyPort = port;
        const settings_dialog::OkResult result = settings_dialog::Ok(state, settings_);
        EXPECT_FALSE(result.saved);
        EXPECT_EQ(result.message, kNotAPortMessage);
        const std::vector<platform::SettingsValue> after = Stored();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(Number(Setting::Mute), 0);
    }
    // The port is checked whatever the proxy choice.
    settings_dialog::ChooseProxy(state, ProxyChoice::None);
    state.proxyPort = "port";
    EXPECT_FALSE(settings_dialog::Ok(state, settings_).saved);
    EXPECT_EQ(Stored().size(), before.size());
}

TEST_F(SettingsDialogTest, PortsUpToTheLargestUnsignedNumberAreTaken) {
    State state = Open();
    settings_dialog::ChooseProxy(state, ProxyChoice::Manual);
    state.proxyPort = " 8080 ";
    ExpectSaved(state);
    EXPECT_EQ(Number(Setting::ProxyPort), 8080);

    state.proxyPort = "4294967295";
    ExpectSaved(state);
    EXPECT_EQ(settings_.Store().ReadNumber(settings_.Key(), "ProxyPort"), 4294967295u);
    // And it opens as the same number, not a negative one.
    EXPECT_EQ(Open().proxyPort, "4294967295");
}

TEST_F(SettingsDialogTest, NextUpdateIsDueAnIntervalAfterTheLastOneButNotBeforeNow) {
    struct Case {
        int64_t lastUpdate;
        int32_t refreshMinutes;
        const char* shown;
    };
    const Case cases[] = {
        {0, 60, kNowText},                               // never updated
        {kNow - 3600, 1500, "January 16, 2027 - 08:00"},  // 1500 minutes after an hour ago
        {kNow - 600, 60, "January 15, 2027 - 08:50"},
        {kNow - 3 * 3600, 60, kNowText},  // overdue
        {kNow - 3600, 60, kNowText},      // due just now
        {kNow - 10 * 86400, 30 * 1440, "February 04, 2027 - 08:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lastUpdate) + " + " + std::to_string(c.refreshMinutes) + " min");
        settings_.WriteInt(Setting::LastUpdate, static_cast<int32_t>(c.lastUpdate));
        config_.refreshMinutes = c.refreshMinutes;
        EXPECT_EQ(Open().nextUpdate, c.shown);
    }
    // Without an interval there is nothing to show.
    config_.refreshMinutes = 0;
    EXPECT_EQ(Open().nextUpdate, std::nullopt);
    settings_.WriteInt(Setting::LastUpdate, 0);
    EXPECT_EQ(Open().nextUpdate, std::nullopt);
}

TEST_F(SettingsDialogTest, NextUpdateIsShownInLocalTime) {
    ScopedTimeZone india("IST-5:30");
    settings_.WriteInt(Setting::LastUpdate, static_cast<int32_t>(kNow - 3600));
    config_.refreshMinutes = 1500;
    EXPECT_EQ(Open().nextUpdate, "January 16, 2027 - 13:30");
    // Morning in UTC is still the evening before there.
    ScopedTimeZone hawaii("HST10");
    settings_.WriteInt(Setting::LastUpdate, 0);
    EXPECT_EQ(Open().nextUpdate, "January 14, 2027 - 22:00");
}

TEST_F(SettingsDialogTest, LastUpdatesBeyondThe32BitSignedRangeCountAsUnsigned) {
    // 2039: past 2^31 seconds, stored as a negative 32-bit number.
    const int64_t later = 2'200'000'000;
    settings_.WriteInt(Setting::LastUpdate, static_cast<int32_t>(later));
    config_.refreshMinutes = 60;
    EXPECT_EQ(Open().nextUpdate, "September 19, 2039 - 00:06");
}

}  // namespace
}  // namespace korv
