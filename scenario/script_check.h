#pragma once
// What an author should hear about a script before it plays: statements the
// compiler drops, arguments it reads otherwise than they were written, names
// nothing declares, files it cannot embed. The compiler itself stays silent
// and writes the same scenario; these findings come on top, each at the line
// and column of the statement or argument it is about.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korv {

// One statement of the script (the text before its ";") and where it begins.
struct LocatedStatement {
    std::string text;
    int line = 1;    // from 1
    int column = 1;  // from 1, in bytes
};

enum class FindingSeverity { Warning, Error };

struct ScriptFinding {
    int line = 1;
    int column = 1;
    FindingSeverity severity = FindingSeverity::Warning;
    std::string message;
    bool operator==(const ScriptFinding&) const = default;
};

struct ScriptCheckInput {
    std::vector<LocatedStatement> statements;
    // Text after the last ";" that is not blank (a statement missing its
    // ";"), with where it begins; nothing when there is none.
    std::optional<LocatedStatement> unterminated;
    std::string contentFolder;             // where IMAGE, MEDIA and SHOWHTML files are read
    std::vector<std::string> textSources;  // TEXT sources of versions 450 and 500, in order
    // The item's text from a stored text file, or nothing when the file or
    // the item is missing.
    std::function<std::optional<std::string>(const std::string& file, const std::string& item)> readTextItem;
};

std::vector<ScriptFinding> CheckScript(const ScriptCheckInput& input);

// "FILE:LINE:COLUMN: warning: MESSAGE", as compilers print them.
std::string FormatFinding(const std::string& file, const ScriptFinding& finding);

}  // namespace korv
