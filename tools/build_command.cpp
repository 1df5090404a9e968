// korv-tool build: an engine plus an optional scenario plus a payload make
// an executable saver. Without --engine it takes the engine installed with
// the tool (or, in a build tree, the one built beside it).

#include "saver/program_file.h"
#include "tools/commands.h"
#include "tools/installed_engine.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunBuild(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments,
                       {"--engine", "--scenario", "--player-type", "--site", "--source", "--unit", "--count", "--user",
                        "--password", "-o"},
                       {"--always-check", "--settings-disabled"});
    if (!args.Positional().empty()) throw UsageError("unexpected argument " + args.Positional().front());

    SaverBuildRequest request;
    request.enginePath = args.Value("--engine").value_or(FindEngineBesideTool());
    if (request.enginePath.empty()) throw UsageError("missing --engine (no engine at " + InstalledEnginePath() + ")");
    request.scenarioPath = args.Value("--scenario");
    request.outputPath = args.Required("-o");
    request.payload.playerType = ParseInteger(args.Required("--player-type"), "--player-type");
    if (request.payload.playerType < 0 || request.payload.playerType > 3)
        throw UsageError("--player-type must be 0, 1, 2 or 3");
    request.payload.siteUrl = args.Required("--site");
    request.payload.sourceName = args.Required("--source");
    request.payload.intervalUnit = args.Integer("--unit").value_or(0);
    request.payload.intervalCount = args.Integer("--count").value_or(0);
    request.payload.alwaysCheck = args.Flag("--always-check") ? 1 : 0;
    request.payload.username = args.Value("--user").value_or("");
    request.payload.password = args.Value("--password").value_or("");
    request.settingsDisabled = args.Flag("--settings-disabled");

    std::string failure = BuildSaver(request);
    if (!failure.empty()) throw ToolError(failure);
    return 0;
}

}  // namespace korv::tool
