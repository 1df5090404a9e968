#include "scenario/script_tokens.h"

namespace korv {

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

size_t ScriptTokens::SplitLine(std::string_view line) {
    tokens_.clear();
    size_t blank = line.find(' ');
    tokens_.emplace_back(line.substr(0, blank));
    if (blank == std::string_view::npos) return tokens_.size();

    std::string_view rest = line.substr(blank + 1);
    bool first = true;
    for (;;) {
        size_t comma = rest.find(',');
        std::string_view argument = rest.substr(0, comma);
        if (!first)
            while (!argument.empty() && IsSpace(argument.front())) argument.remove_prefix(1);
        tokens_.emplace_back(argument);
        first = false;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return tokens_.size();
}

const std::string& ScriptTokens::GetToken(size_t n) const {
    static const std::string empty;
    return n < tokens_.size() ? tokens_[n] : empty;
}

}  // namespace korv
