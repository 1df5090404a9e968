// The settings dialog of a built saver on a real X server: started without
// a switch or with /c, driven with the keyboard (xdotool); OK stores what
// was chosen, Cancel stores nothing, and OK with a port too large for a
// port leaves the dialog open with a message.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/settings_store.h"
#include "saver/saver_settings.h"
#include "tests/support/command_runner.h"
#include "tests/support/real_saver_test.h"

namespace korv {
namespace {

using namespace std::chrono_literals;

class SettingsDialogWindowTest : public test::RealSaverTest {
protected:
    void Open(const std::vector<std::string>& arguments) {
        Start(arguments, {"KORV_SETTINGS_PROGRAM=" + test::KorvSettingsPath()});
        const auto until = Clock::now() + 10s;
        while (Clock::now() < until && window_.empty()) {
            auto found = test::RunCommand("xdotool", {"search", "--onlyvisible", "--name", "^Settings$"},
                                          {"DISPLAY=" + xvfb_.Display()});
            if (found.exitCode == 0 && !found.out.empty()) window_ = found.out.substr(0, found.out.find('\n'));
            else std::this_thread::sleep_for(50ms);
        }
        ASSERT_FALSE(window_.empty()) << "the settings dialog did not appear";
        Xdotool({"windowfocus", "--sync", window_});
        std::this_thread::sleep_for(300ms);  // the dialog takes the focus before the keys come
    }
    void Keys(std::vector<std::string> keys) {
        keys.insert(keys.begin(), {"key", "--delay", "100"});
        Xdotool(keys);
    }
    void Type(const std::string& text) { Xdotool({"type", "--delay", "50", text}); }
    // The saver ends once the dialog is closed.
    void ExpectEnd() {
        int status = -1;
        ASSERT_TRUE(EndTime(Clock::now(), &status, 10s)) << "the saver did not end with its dialog";
        window_.clear();
    }
    SaverSettings Stored() const { return SaverSettings(platform::SettingsStore::ForUser(), "RealSaver"); }

    std::string window_;
};

TEST_F(SettingsDialogWindowTest, OkStoresTheChoicesCancelAndARefusedPortStoreNothing) {
    Build(2, "");
    Open({});
    // Custom exit rules with "On Key Pressed"; then five steps on to the
    // proxy choices, down to the manual one, its address and a port where
    // the letter is refused.
    Keys({"alt+s", "Down", "alt+k", "Tab", "Tab", "Tab", "Tab", "Tab", "Down", "Tab"});
    Type("proxy.example");
    Keys({"Tab", "ctrl+a"});
    Type("80x81");
    Keys({"Return"});
    ExpectEnd();

    SaverSettings stored = Stored();
    EXPECT_EQ(stored.ReadInt(Setting::Standard), 0);
    EXPECT_EQ(stored.ReadInt(Setting::KeyDown), 1);
    EXPECT_EQ(stored.ReadInt(Setting::MouseMove), 0);
    EXPECT_EQ(stored.ReadInt(Setting::ProxyStatus), 2);
    EXPECT_EQ(stored.ReadString(Setting::ProxyAddress), "proxy.example");
    EXPECT_EQ(stored.ReadInt(Setting::ProxyPort), 8081);

    // /c opens it as well; back to the standard rules and then Cancel.
    Open({"/c"});
    Keys({"alt+s", "Escape"});
    ExpectEnd();
    stored = Stored();
    EXPECT_EQ(stored.ReadInt(Setting::Standard), 0);
    EXPECT_EQ(stored.ReadInt(Setting::KeyDown), 1);
    EXPECT_EQ(stored.ReadInt(Setting::ProxyStatus), 2);

    // "On Key Pressed" off, seven steps on to the (now enabled) port, a
    // number beyond 32 bits and OK: the message comes up over the dialog,
    // which stays; the message's OK, then Cancel.
    Open({"/c"});
    Keys({"alt+k", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "ctrl+a"});
    Type("99999999999");
    Keys({"Return"});
    std::this_thread::sleep_for(1000ms);
    EXPECT_TRUE(Running()) << "the dialog closed on a bad port";
    Keys({"Return", "Escape"});
    ExpectEnd();
    stored = Stored();
    EXPECT_EQ(stored.ReadInt(Setting::KeyDown), 1);
    EXPECT_EQ(stored.ReadInt(Setting::ProxyPort), 8081);
}

}  // namespace
}  // namespace korv
