#include "update/script_locations.h"

#include <utility>
#include <vector>

#include "update/script_container.h"

namespace korv {

ScriptCheckInput LocateScript(const std::string& script) {
    ScriptCheckInput input;
    StatementSpan rest;
    std::vector<StatementSpan> spans = LocateStatements(script, &rest);
    int line = 1, column = 1;
    size_t at = 0;
    auto place = [&](size_t offset) {
        for (; at < offset; ++at) {
            if (script[at] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return std::pair{line, column};
    };
    for (StatementSpan& span : spans) {
        auto [l, c] = place(span.offset);
        input.statements.push_back({std::move(span.text), l, c});
    }
    const size_t first = rest.text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos) {
        auto [l, c] = place(rest.offset + first);
        input.unterminated = LocatedStatement{rest.text.substr(first), l, c};
    }
    return input;
}

}  // namespace korv
