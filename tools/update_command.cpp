// korv-tool update --saver SAVER: one update of the saver's content from its
// site, exactly as the download thread runs it, without a window. Prints
//   result=ok changed=0|1 version=DIR     or     result=fail step=N

#include <memory>

#include "media/image/image_layer.h"
#include "platform/event.h"
#include "scenario/scenario.h"
#include "shell/download_status.h"
#include "shell/runtime_app.h"
#include "shell/runtime_update_host.h"
#include "tools/commands.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

namespace {

// The running saver's host, except that a reload only checks that the new
// scenario loads (there is no window to play it in) and nothing is a first
// check with a status screen to leave.
class ToolUpdateHost : public RuntimeUpdateHost {
public:
    ToolUpdateHost(RuntimeApp& app, DownloadStatus& status) : RuntimeUpdateHost(app, status), app_(app) {}

    bool ReloadScenario(const std::string& path) override {
        Scenario fresh;
        return app_.LoadScenarioInto(fresh, path, false) != 0;
    }
    void CloseForNewerFormat() override { newerFormat = true; }
    void RequestDownloadAtStart() override {}
    bool FirstUpdate() override { return false; }

    bool newerFormat = false;

private:
    RuntimeApp& app_;
};

}  // namespace

int RunUpdate(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"--saver"}, {});
    const std::string saver = args.Required("--saver");
    InitImageLayer();
    RuntimeApp app({{"/s"}, saver, std::nullopt});
    app.LoadSaverSettings();
    if (!app.LoadSaverPayload()) throw ToolError(saver + " is not a built saver");

    DownloadStatus status({1024, 768});
    ToolUpdateHost host(app, status);
    platform::Event stop(false), idle(false);
    UpdateOutcome outcome = RunDownloadThreadBody(host, stop, idle);
    if (!outcome.ok) {
        out << "result=fail step=" << outcome.step << "\n";
        return 1;
    }
    out << "result=ok changed=" << (outcome.changed ? 1 : 0) << " version=" << outcome.versionFolder << "\n";
    return 0;
}

}  // namespace korv::tool
