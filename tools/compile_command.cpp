// korv-tool compile: a script and the files it names become a scenario file.

#include <iostream>

#include "tools/commands.h"
#include "tools/script_compilation.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunCompile(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {"--content", "--text-sources", "-o"}, {"--strict"});
    if (args.Positional().size() != 1)
        throw UsageError("usage: korv-tool compile SCRIPT --content DIR [--text-sources URL,URL...] [--strict] -o OUT.zep");
    ScriptCompilation compilation;
    compilation.scriptPath = args.Positional()[0];
    compilation.output = args.Required("-o");
    if (compilation.output.extension() != ".zep") throw UsageError("the output file must end in .zep");
    compilation.contentFolder = args.Required("--content");
    compilation.textSources = args.List("--text-sources");
    compilation.strict = args.Flag("--strict");
    CompileScript(compilation, std::cerr);
    return 0;
}

}  // namespace korv::tool
