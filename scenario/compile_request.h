#pragma once
// What a compile works from: the script's statements, where the files it
// names lie, where the scenario goes, and how TEXT commands read their texts.

#include <functional>
#include <string>
#include <vector>

namespace korv {

// The text of item `itemId` in the stored text file at `path` (" " when
// absent); TEXT commands of script versions 450 and 500 take their texts so.
using TextItemReader = std::function<std::string(const std::string& path, const std::string& itemId)>;

struct CompileRequest {
    std::vector<std::string> statements;
    std::string contentFolder;  // where the files of this version lie
    std::string outputFolder;
    std::string baseName;       // the scenario is outputFolder/baseName.zep
    std::vector<std::string> textSources;  // text source names, in download order
    TextItemReader readTextItem;
};

}  // namespace korv
