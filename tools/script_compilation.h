#pragma once
// Compiling a script into a scenario file as `korv-tool compile` does:
// the author's findings on a stream (FILE:LINE:COLUMN: warning|error: …),
// the scenario written, and the load check that makes it playable.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace korv::tool {

struct ScriptCompilation {
    std::string scriptPath;
    std::string contentFolder;
    std::vector<std::string> textSources;
    bool strict = false;               // warnings fail too
    std::filesystem::path output;      // ends in .zep
};

// Compiles as asked, writing findings to `messages`. Throws ToolError with a
// one-line reason when nothing playable was written (a script that cannot
// be read, an error, a warning with `strict`, a scenario that does not load).
void CompileScript(const ScriptCompilation& compilation, std::ostream& messages);

}  // namespace korv::tool
