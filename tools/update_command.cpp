// korv-tool update --saver SAVER: one update of the saver's content from its
// site, exactly as the download thread runs it, without a window. Prints
//   result=ok changed=0|1 version=DIR     or     result=fail step=N
// "ok" only when the update ended with a playable version (DIR); changed=1
// when it made a new one.

#include <iostream>
#include <memory>

#include "platform/event.h"
#include "platform/folders.h"
#include "scenario/scenario.h"
#include "shell/download_status.h"
#include "shell/runtime_app.h"
#include "shell/runtime_update_host.h"
#include "tools/commands.h"
#include "update/content_store.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

namespace {

// The running saver's host, except that a reload only checks that the new
// scenario loads (there is no window to play it in), nothing is a first
// check with a status screen to leave, and what "plays" is the version that
// was playable when the tool started.
class ToolUpdateHost : public RuntimeUpdateHost {
public:
    ToolUpdateHost(RuntimeApp& app, DownloadStatus& status, std::string playing)
        : RuntimeUpdateHost(app, status), app_(app), playing_(std::move(playing)) {}

    bool ReloadScenario(const std::string& path) override {
        Scenario fresh;
        return app_.LoadScenarioInto(fresh, path, false) != 0;
    }
    void CloseForNewerFormat() override { newerFormat = true; }
    void RequestDownloadAtStart() override {}
    bool FirstUpdate() override { return false; }
    std::string PlayingScenario() override { return playing_; }
    void ReportStatus(int code, const std::string& text) override {
        RuntimeUpdateHost::ReportStatus(code, text);
        std::string message = StatusMessage(code, text);
        if (!message.empty()) messages.push_back(message);
    }

    bool newerFormat = false;
    std::vector<std::string> messages;

private:
    RuntimeApp& app_;
    std::string playing_;
};

}  // namespace

int RunUpdate(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"--saver"}, {});
    const std::string saver = args.Required("--saver");
    RuntimeApp app({{"/s"}, saver, std::nullopt});
    app.LoadSaverSettings();
    if (!app.LoadSaverPayload()) throw ToolError(saver + " is not a built saver");

    DownloadStatus status({1024, 768});
    std::string playable = PlayableVersionFolder(app.Config().saverName);
    ToolUpdateHost host(app, status, ScenarioFileIn(playable, app.Config().saverName));
    platform::Event stop(false), idle(false);
    UpdateOutcome outcome = RunDownloadThreadBody(host, app.Config(), stop, idle);
    playable = PlayableVersionFolder(app.Config().saverName);
    if (outcome.ok && playable.empty()) {
        outcome = UpdateOutcome();
        outcome.step = StepCompile;
    }
    if (!outcome.ok) {
        // The reason, as the saver's status line would show it.
        std::cerr << (host.messages.empty() ? UpdateFailureText(outcome.step) : host.messages.back()) << "\n";
        out << "result=fail step=" << outcome.step << "\n";
        return 1;
    }
    out << "result=ok changed=" << (outcome.changed ? 1 : 0) << " version=" << playable << "\n";
    return 0;
}

}  // namespace korv::tool
