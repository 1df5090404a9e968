// The download thread at the saver's end: its messages never become dialogs
// (they go to the log and the status line), and stopping it waits a bounded
// time however stuck it is.

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "platform/message_box.h"
#include "saver/log.h"
#include "saver/saver_settings.h"
#include "tests/support/test_environment.h"
#include "update/download_control.h"

namespace korv {
namespace {

// An update host whose first call raises a message on the download thread
// and then holds the thread until the test lets it go.
class StuckHost : public UpdateHost {
public:
    StuckHost() : settings_(platform::SettingsStore::ForUser(), "Saver") {}

    DownloadProgress& Progress() override {
        platform::ShowMessageBox("x.jpg\nCannot be read data.");
        {
            // A route set up inside the update (to load a scenario quietly)
            // takes the messages while it lives.
            platform::ThreadMessageRoute inner([this](const platform::MessageBoxRequest& box) {
                std::lock_guard lock(mutex_);
                quiet.push_back(box.text);
            });
            platform::ShowMessageBox("checked quietly");
        }
        platform::ShowMessageBox("after the quiet check");
        reached.Set();
        release.Wait(platform::kInfinite);
        return progress_;
    }
    void ReportStatus(int code, const std::string& text) override {
        std::lock_guard lock(mutex_);
        statuses.push_back({code, text});
    }
    void MoveToSite(const std::string&, const std::string&) override {}
    void SetRefreshMinutes(int32_t) override {}
    SaverSettings& Settings() override { return settings_; }
    bool ReloadScenario(const std::string&) override { return false; }
    bool ScenarioLoads(const std::string&) override { return false; }
    std::string PlayingScenario() override { return {}; }
    void CloseForNewerFormat() override {}
    void RequestDownloadAtStart() override {}
    bool FirstUpdate() override { return false; }
    void ClearFirstUpdate() override {}

    platform::Event reached, release;
    std::mutex mutex_;
    std::vector<std::pair<int, std::string>> statuses;
    std::vector<std::string> quiet;

private:
    DownloadProgress progress_;
    SaverSettings settings_;
};

TEST(DownloadThreadEndTest, MessagesGoToTheStatusLineAndAStuckThreadDoesNotHoldTheStop) {
    test::IsolatedUser user;
    test::CapturedMessages dialogs;
    test::CapturedLog log;
    StuckHost host;
    {
        DownloadControl control;
        control.StartDownload(host, SaverConfig());
        ASSERT_TRUE(host.reached.Wait(5000));

        EXPECT_TRUE(dialogs.all().empty()) << dialogs.all().front().text;
        {
            std::lock_guard lock(host.mutex_);
            EXPECT_EQ(host.statuses, (std::vector<std::pair<int, std::string>>{
                                         {StatusUpdateFailed, "x.jpg\nCannot be read data."},
                                         {StatusUpdateFailed, "after the quiet check"}}));
            EXPECT_EQ(host.quiet, std::vector<std::string>{"checked quietly"});
        }
        EXPECT_TRUE(log.Contains("x.jpg\nCannot be read data."));

        // The stop gives up after its time and keeps the thread; once the
        // thread can end, the next stop reaps it.
        auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(control.StopDownload(true, 100));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
        EXPECT_TRUE(control.HasThread());
        host.release.Set();
        EXPECT_TRUE(control.StopDownload(true, 5000));
        EXPECT_FALSE(control.HasThread());
    }
}

}  // namespace
}  // namespace korv
