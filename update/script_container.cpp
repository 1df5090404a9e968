#include "update/script_container.h"

namespace korv {

std::vector<std::string> SplitStatements(const std::string& text) {
    std::vector<std::string> statements;
    size_t at = 0;
    for (;;) {
        size_t end = text.find(';', at);
        if (end == std::string::npos) break;
        statements.push_back(text.substr(at, end - at));
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
    return statements;
}

bool ScriptContainer::SplitStatements() {
    statements_ = korv::SplitStatements(scriptText_);
    return true;
}

}  // namespace korv
