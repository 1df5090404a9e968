#include "update/script_container.h"

#include "platform/atomic_file.h"
#include "scenario/script_tokens.h"
#include "scenario/script_values.h"
#include "saver/data_files.h"

namespace korv {

std::vector<std::string> SplitStatements(const std::string& text) {
    std::vector<std::string> statements;
    for (StatementSpan& span : LocateStatements(text)) statements.push_back(std::move(span.text));
    return statements;
}

std::vector<StatementSpan> LocateStatements(const std::string& text, StatementSpan* rest) {
    std::vector<StatementSpan> statements;
    size_t at = 0;
    for (;;) {
        size_t end = text.find(';', at);
        if (end == std::string::npos) break;
        statements.push_back({text.substr(at, end - at), at});
        at = end + 1;
        while (at < text.size()) {
            if (text[at] == '\r' || text[at] == '\n' || text[at] == ';')
                ++at;
            else if (text.compare(at, 4, "<br>") == 0)
                at += 4;
            else
                break;
        }
    }
    if (rest) *rest = {text.substr(std::min(at, text.size())), std::min(at, text.size())};
    return statements;
}

namespace {

bool ReadPage(const std::string& path, std::string& text) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

// The text between the `first`-th comma and the next one, less its leading
// blanks; empty when that closing comma is missing.
std::string RawPart(const std::string& statement, int first) {
    size_t start = 0;
    for (int i = 0; i < first; ++i) {
        start = statement.find(',', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    size_t end = statement.find(',', start);
    if (end == std::string::npos) return {};
    while (start < end && (statement[start] == ' ' || statement[start] == '\t')) ++start;
    return statement.substr(start, end - start);
}

}  // namespace

bool ScriptContainer::ExtractScript(const std::string& pagePath, const std::string& scriptPath) {
    std::string page;
    if (!ReadPage(pagePath, page)) return false;
    size_t s = page.find("<KORV>");
    size_t e = page.find("</KORV>");
    if (s == std::string::npos || e == std::string::npos) return false;
    scriptText_ = e >= s + 13 ? page.substr(s + 10, e - s - 13) : std::string();
    return platform::ReplaceFileAtomically(scriptPath, scriptText_);
}

bool ScriptContainer::CollectObjects() {
    for (const std::string& statement : statements_) {
        ScriptTokens tokens(statement);
        const std::string& word = tokens.GetToken(0);
        if (word == "VERSION") {
            scriptVersion_ = AtoiRule(tokens.GetToken(1));
        } else if (word == "SHOWHTML") {
            if (tokens.GetToken(8) == "ON") objects_.push_back({tokens.GetToken(9), kSitePageKind, ""});
        } else if (word == "IMAGE") {
            int urlToken = scriptVersion_ == 400 || scriptVersion_ == 450 ? 5 : scriptVersion_ == 500 ? 9 : 0;
            if (urlToken)
                objects_.push_back({RawPart(statement, 1), AtoiRule(RawPart(statement, 2)), tokens.GetToken(urlToken)});
        } else if (word == "MEDIA") {
            objects_.push_back({RawPart(statement, 1), AtoiRule(RawPart(statement, 2)), tokens.GetToken(4)});
        } else if (word == "TEXT" && scriptVersion_ > 400) {
            int urlToken = scriptVersion_ == 450 ? 11 : scriptVersion_ == 500 ? 12 : 0;
            if (urlToken) {
                objects_.push_back({RawPart(statement, 1), kTextSourceKind, tokens.GetToken(urlToken)});
                ++textCount_;
            }
        }
    }
    return true;
}

std::string ConfigFileName(const std::string& sourceName) {
    size_t slash = sourceName.find_last_of("\\/");
    std::string file = slash == std::string::npos ? sourceName : sourceName.substr(slash + 1);
    size_t dot = file.rfind('.');
    std::string base = dot == std::string::npos ? file : file.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : file.substr(dot + 1);
    return base + "_config." + extension;
}

bool ScriptContainer::SplitStatements() {
    statements_ = korv::SplitStatements(scriptText_);
    return true;
}

}  // namespace korv
