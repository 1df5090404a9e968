#include "tools/installed_engine.h"

#include "platform/process.h"
#include "saver/data_files.h"
#include "saver/path_parts.h"

#ifndef KORV_ENGINE_FROM_TOOL
#define KORV_ENGINE_FROM_TOOL "../libexec/korv/korv-runtime"
#endif

namespace korv::tool {

std::string InstalledEnginePath() { return GetFolderPart(platform::OwnProgramPath()) + KORV_ENGINE_FROM_TOOL; }

std::string FindEngineBesideTool() {
    std::string folder = GetFolderPart(platform::OwnProgramPath());
    if (folder.empty()) return {};
    for (const std::string& path : {InstalledEnginePath(), folder + "../shell/korv-runtime"})
        if (FileExists(path)) return path;
    return {};
}

}  // namespace korv::tool
