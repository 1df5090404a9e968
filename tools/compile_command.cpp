// korv-tool compile: a script and the files it names become a scenario file.

#include <filesystem>

#include "platform/file.h"
#include "scenario/scenario_compiler.h"
#include "tools/commands.h"
#include "tools/tool_arguments.h"
#include "update/script_container.h"
#include "update/text_container.h"

namespace korv::tool {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

}  // namespace

int RunCompile(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"--content", "--text-sources", "-o"}, {});
    if (args.Positional().size() != 1)
        throw UsageError("usage: korv-tool compile SCRIPT --content DIR [--text-sources URL,URL...] -o OUT.zep");
    const std::string& scriptPath = args.Positional()[0];
    std::filesystem::path output = args.Required("-o");
    if (output.extension() != ".zep") throw UsageError("the output file must end in .zep");

    std::optional<std::string> script = platform::ReadFileText(scriptPath);
    if (!script) throw ToolError("cannot read " + scriptPath);

    CompileRequest request;
    request.statements = SplitStatements(*script);
    request.contentFolder = args.Required("--content");
    request.outputFolder = output.has_parent_path() ? output.parent_path().string() : ".";
    request.baseName = output.stem().string();
    if (auto sources = args.Value("--text-sources")) request.textSources = SplitList(*sources);
    request.readTextItem = ReadTextItem;

    ScenarioCompiler compiler(std::move(request));
    switch (compiler.Compile()) {
        case CompileResult::Ok: return 0;
        case CompileResult::NewerFormat: throw ToolError(compiler.Error());
        case CompileResult::Failed: throw ToolError(OneLine(compiler.Error()));
    }
    return 1;
}

}  // namespace korv::tool
