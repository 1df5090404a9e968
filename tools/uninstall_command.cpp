// korv-tool uninstall SAVER: takes back what install added for the saver. A
// saver file that is gone can still be uninstalled by its former path.

#include <filesystem>

#include "tools/commands.h"
#include "tools/saver_payload.h"
#include "tools/saver_registration.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunUninstall(const std::vector<std::string>& arguments, std::ostream& out) {
    namespace fs = std::filesystem;
    ToolArguments args(arguments, {}, {});
    if (args.Positional().size() != 1) throw UsageError("needs one SAVER");
    const std::string saver = fs::absolute(args.Positional().front()).lexically_normal().string();
    std::error_code error;
    if (fs::exists(fs::symlink_status(saver, error))) ReadSaverPayload(saver);
    for (const std::string& note : UnregisterSaver(saver)) out << note << "\n";
    return 0;
}

}  // namespace korv::tool
