// korv-tool install SAVER: makes a built saver one of the current user's
// screen savers (see saver_registration.h); prints what it did.

#include <filesystem>

#include "tools/commands.h"
#include "tools/saver_payload.h"
#include "tools/saver_registration.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunInstall(const std::vector<std::string>& arguments, std::ostream& out) {
    namespace fs = std::filesystem;
    ToolArguments args(arguments, {}, {});
    if (args.Positional().size() != 1) throw UsageError("needs one SAVER");
    const std::string saver = fs::absolute(args.Positional().front()).lexically_normal().string();
    ReadSaverPayload(saver);
    std::error_code error;
    if ((fs::status(saver, error).permissions() & fs::perms::owner_exec) == fs::perms::none)
        throw ToolError(saver + " is not executable");
    for (const std::string& note : RegisterSaver(saver)) out << note << "\n";
    return 0;
}

}  // namespace korv::tool
