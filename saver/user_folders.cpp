#include "saver/user_folders.h"

#include <filesystem>
#include <vector>

#include "platform/folders.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

// Makes the folders of `folder` that are missing, readable by the user only.
bool MakeFolder(const fs::path& folder) {
    std::error_code error;
    std::vector<fs::path> missing;
    for (fs::path current = folder; !current.empty() && !fs::exists(current, error); current = current.parent_path()) {
        missing.push_back(current);
        if (current == current.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        fs::create_directory(*it, error);
        if (error) return false;
        fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, error);
    }
    return fs::is_directory(folder, error);
}

}  // namespace

std::string GetSpecialFolder(int id) {
    if (id != kFolderAppData && id != kFolderLocalAppData) return {};
    std::string folder = platform::ApplicationDataFolder();
    if (folder.empty() || !MakeFolder(folder)) return {};
    return folder;
}

std::string GetTempFolder() { return platform::PrivateTempFolder(); }

std::string TempFilePath(const std::string& name) { return platform::JoinPath(GetTempFolder(), name); }

}  // namespace korv
