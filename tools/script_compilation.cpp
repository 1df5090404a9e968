#include "tools/script_compilation.h"

#include "platform/archive.h"
#include "platform/file.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/record_builder.h"
#include "scenario/script_check.h"
#include "scenario/script_tokens.h"
#include "tools/commands.h"
#include "update/script_container.h"
#include "update/script_locations.h"
#include "update/text_container.h"

namespace korv::tool {

namespace {

// Whether the file loads as a scenario, as a saver would load it; `record`
// is the record that failed, when one did.
bool ScenarioFileLoads(const std::string& path, std::string& error, int32_t& record) {
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) {
        error = "cannot open " + path;
        return false;
    }
    try {
        platform::ArchiveReader archive(file);
        Scenario scenario;
        if (scenario.Load(archive)) return true;
        error = scenario.LoadError();
        record = scenario.FailedRecord();
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    return false;
}

}  // namespace

void CompileScript(const ScriptCompilation& compilation, std::ostream& messages) {
    const std::string& scriptPath = compilation.scriptPath;
    const std::filesystem::path& output = compilation.output;

    std::optional<std::string> script = platform::ReadFileText(scriptPath);
    if (!script) throw ToolError("cannot read " + scriptPath);

    CompileRequest request;
    request.statements = SplitStatements(*script);
    request.contentFolder = compilation.contentFolder;
    request.outputFolder = output.has_parent_path() ? output.parent_path().string() : ".";
    request.baseName = output.stem().string();
    request.textSources = compilation.textSources;
    request.readTextItem = ReadTextItem;

    // What the author should hear comes first, on stderr; the scenario the
    // compiler writes does not change.
    ScriptCheckInput check = LocateScript(*script);
    check.contentFolder = request.contentFolder;
    check.textSources = request.textSources;
    check.readTextItem = FindTextItem;
    size_t warnings = 0, errors = 0;
    for (const ScriptFinding& finding : CheckScript(check)) {
        messages << FormatFinding(scriptPath, finding) << "\n";
        ++(finding.severity == FindingSeverity::Error ? errors : warnings);
    }
    if (compilation.strict && warnings > 0)
        throw ToolError(std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings") +
                        " with --strict; nothing was written");

    ScenarioCompiler compiler(std::move(request));
    switch (compiler.Compile()) {
        case CompileResult::Ok: break;
        case CompileResult::NewerFormat: throw ToolError(compiler.Error());
        case CompileResult::Failed: throw ToolError(OneLine(compiler.Error()));
    }
    // The same check that makes an updated version playable: a scenario
    // that does not load fails the compile.
    std::string loadError;
    int32_t failedRecord = -1;
    if (!ScenarioFileLoads(output.string(), loadError, failedRecord)) {
        // Record i was written by the i-th statement that writes one.
        int32_t records = 0;
        for (const LocatedStatement& statement : check.statements) {
            if (RecordCodeOfWord(ScriptTokens(statement.text).GetToken(0)) < 0) continue;
            if (records++ == failedRecord)
                messages << FormatFinding(scriptPath, {statement.line, statement.column, FindingSeverity::Error,
                                                        "the scenario written does not load: this statement's record "
                                                        "cannot be prepared"})
                          << "\n";
        }
        // The file stays, for `korv-tool dump`; the exit code says it is no result.
        throw ToolError("the scenario written does not load (" + OneLine(loadError) + ")");
    }
}

}  // namespace korv::tool
