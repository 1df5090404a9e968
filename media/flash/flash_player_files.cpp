#include "media/flash/flash_player_files.h"

#include <cstdlib>
#include <vector>

#include "platform/file.h"
#include "platform/process.h"

namespace korv {

namespace {

// The folder holds the player's loader; its core scripts and modules come
// with it in the one package.
bool HoldsPlayer(const std::string& folder) {
    platform::File loader;
    return !folder.empty() && loader.Open(folder + "/ruffle.js", platform::File::Mode::Read);
}

std::vector<std::string> Candidates() {
    // A folder given by the environment is the only one looked at.
    if (const char* own = std::getenv("KORV_RUFFLE_DIR"); own && *own) return {own};
    std::vector<std::string> folders;
    std::string program = platform::OwnProgramPath();
    size_t slash = program.rfind('/');
    if (slash != std::string::npos) folders.push_back(program.substr(0, slash) + "/../share/korv/ruffle");
#ifdef KORV_INSTALLED_RUFFLE_DIR
    folders.emplace_back(KORV_INSTALLED_RUFFLE_DIR);
#endif
#ifdef KORV_BUILD_TREE_RUFFLE_DIR
    folders.emplace_back(KORV_BUILD_TREE_RUFFLE_DIR);
#endif
    return folders;
}

}  // namespace

std::string FlashPlayerFolder() {
    for (const std::string& folder : Candidates())
        if (HoldsPlayer(folder)) return folder;
    return {};
}

bool IsFlashInstalled() { return !FlashPlayerFolder().empty(); }

std::optional<std::string> ReadFlashPlayerFile(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name.front() == '.')
        return std::nullopt;
    std::string folder = FlashPlayerFolder();
    if (folder.empty()) return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes = platform::ReadFileBytes(folder + "/" + name);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

}  // namespace korv
