#pragma once
// Compiles a script (its statements) into a scenario file: every picture,
// media file and local page that the script names is read from the content
// folder and embedded, and the objects' names become record references, so
// playing needs neither the script nor the downloaded files.
//
// The file is written under a temporary name beside the target and renamed
// over it only when the compile succeeded: a failed or interrupted compile
// never leaves a damaged scenario where one is played.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korv {

enum class CompileResult {
    Ok,
    NewerFormat,  // the script's version is above 500
    Failed,       // a named file cannot be read, or the file cannot be written
};

// The text of item `itemId` in the stored text file at `path` (" " when
// absent); TEXT commands of script versions 450 and 500 take their texts so.
using TextItemReader = std::function<std::string(const std::string& path, const std::string& itemId)>;

struct CompileRequest {
    std::vector<std::string> statements;
    std::string contentFolder;  // where the files of this version lie
    std::string outputFolder;
    std::string baseName;       // the scenario is outputFolder/baseName.zep
    std::vector<std::string> textSources;  // text source names, in download order
    TextItemReader readTextItem;
};

inline constexpr int32_t kHighestScriptVersion = 500;

class ScenarioCompiler {
public:
    explicit ScenarioCompiler(CompileRequest request);

    CompileResult Compile();

    std::string OutputPath() const;
    int32_t ScriptVersion() const { return scriptVersion_; }
    // Why the last compile failed (for tools and logs).
    const std::string& Error() const { return error_; }

private:
    CompileRequest request_;
    int32_t scriptVersion_ = 0;
    std::string error_;
};

}  // namespace korv
