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
#include <string>

#include "scenario/compile_request.h"

namespace korv {

enum class CompileResult {
    Ok,
    NewerFormat,  // the script's version is above 500
    Failed,       // a named file cannot be read, or the file cannot be written
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
