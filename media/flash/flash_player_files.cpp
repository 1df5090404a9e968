#include "media/flash/flash_player_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/process.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

bool Readable(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return in.good();
}

// The folder holds ruffle.js and at least one core script and one module.
bool HoldsPlayer(const fs::path& folder) {
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) return false;
    if (!Readable(folder / "ruffle.js")) return false;
    bool core = false;
    bool module = false;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with("core.ruffle.") && name.ends_with(".js") && Readable(entry.path())) core = true;
        if (name.ends_with(".wasm") && Readable(entry.path())) module = true;
    }
    return core && module;
}

std::vector<fs::path> Candidates() {
    std::vector<fs::path> folders;
    // A folder given by the environment is the only one looked at.
    if (const char* own = std::getenv("KORV_RUFFLE_DIR"); own && *own) return {own};
    std::string program = platform::OwnProgramPath();
    if (!program.empty()) folders.push_back(fs::path(program).parent_path().parent_path() / "share/korv/ruffle");
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
    for (const fs::path& folder : Candidates())
        if (HoldsPlayer(folder)) return folder.string();
    return {};
}

bool IsFlashInstalled() { return !FlashPlayerFolder().empty(); }

std::optional<std::string> ReadFlashPlayerFile(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name.starts_with("."))
        return std::nullopt;
    std::string folder = FlashPlayerFolder();
    if (folder.empty()) return std::nullopt;
    std::ifstream in(fs::path(folder) / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace korv
