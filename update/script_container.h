#pragma once
// The script cut out of a downloaded page, split into statements: each
// statement is the text before a ";". After a ";" every following CR, LF,
// ";" and "<br>" is passed over, so neither ";;" nor a page that ends each
// statement with a line break yields an empty or garbled statement. Text
// after the last ";" is no statement. Leading blanks stay.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace korv {

// One file the script names: a picture or media file with its size and
// absolute URL, a text source, or a page of the site.
inline constexpr int32_t kTextSourceKind = -100;
inline constexpr int32_t kSitePageKind = -110;

struct ScriptObject {
    std::string name;  // as written in the script (still escaped)
    int32_t kind = 0;  // size in bytes when above 0, else one of the kinds above
    std::string url;
    bool operator==(const ScriptObject&) const = default;
};
inline void PrintTo(const ScriptObject& o, std::ostream* out) { *out << "{" << o.name << "," << o.kind << "," << o.url << "}"; }

class ScriptContainer {
public:
    // Cuts the script out of the page at `pagePath` (between "<KORV>" and
    // "</KORV>", less the four characters after the opening tag and the
    // three before the closing one) and writes it to `scriptPath`. False
    // when the page cannot be read, a tag is missing or the file cannot be
    // written.
    bool ExtractScript(const std::string& pagePath, const std::string& scriptPath);

    void SetScriptText(std::string text) { scriptText_ = std::move(text); }
    const std::string& ScriptText() const { return scriptText_; }

    // Fills the statement list from the script text; always true.
    bool SplitStatements();
    const std::vector<std::string>& Statements() const { return statements_; }

    // Collects, from the statements, the files to fetch and the script's
    // version; always true. IMAGE and TEXT statements whose script version
    // gives them no URL are left out.
    bool CollectObjects();
    const std::vector<ScriptObject>& Objects() const { return objects_; }
    int TextCount() const { return textCount_; }
    // The VERSION the statements declare; -1 before any.
    int32_t ScriptVersion() const { return scriptVersion_; }

private:
    std::string scriptText_;
    std::vector<std::string> statements_;
    std::vector<ScriptObject> objects_;
    int textCount_ = 0;
    int32_t scriptVersion_ = -1;
};

// "<base>_config.<extension>" of the script page's name.
std::string ConfigFileName(const std::string& sourceName);

// The statements of a script text.
std::vector<std::string> SplitStatements(const std::string& scriptText);

// A statement and the offset in the script text where it begins.
struct StatementSpan {
    std::string text;
    size_t offset = 0;
};
// The statements of a script text with their places; `rest` (when given)
// receives what follows the last ";" and where it begins.
std::vector<StatementSpan> LocateStatements(const std::string& scriptText, StatementSpan* rest = nullptr);

}  // namespace korv
