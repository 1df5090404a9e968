#pragma once
// The script cut out of a downloaded page, split into statements: each
// statement is the text before a ";". After a ";" every following CR, LF,
// ";" and "<br>" is passed over, so neither ";;" nor a page that ends each
// statement with a line break yields an empty or garbled statement. Text
// after the last ";" is no statement. Leading blanks stay.

#include <string>
#include <vector>

namespace korv {

class ScriptContainer {
public:
    void SetScriptText(std::string text) { scriptText_ = std::move(text); }
    const std::string& ScriptText() const { return scriptText_; }

    // Fills the statement list from the script text; always true.
    bool SplitStatements();
    const std::vector<std::string>& Statements() const { return statements_; }

private:
    std::string scriptText_;
    std::vector<std::string> statements_;
};

// The statements of a script text.
std::vector<std::string> SplitStatements(const std::string& scriptText);

}  // namespace korv
