#pragma once
// Splits one script statement into tokens: token 0 is the command word (the
// text before the first blank), and the rest is cut at every comma into
// arguments 1, 2, ...; the first argument is kept as it stands, later ones
// lose their leading white space. There is no quoting.

#include <string>
#include <string_view>
#include <vector>

namespace korv {

class ScriptTokens {
public:
    ScriptTokens() = default;
    explicit ScriptTokens(std::string_view line) { SplitLine(line); }

    // Returns the number of tokens.
    size_t SplitLine(std::string_view line);
    // Token n, or the empty text when the line has fewer.
    const std::string& GetToken(size_t n) const;
    size_t Count() const { return tokens_.size(); }

private:
    std::vector<std::string> tokens_;
};

}  // namespace korv
