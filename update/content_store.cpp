#include "update/content_store.h"

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/folders.h"
#include "shell/file_helpers.h"
#include "shell/log.h"

namespace korv {

namespace {

std::string VersionName(int number) {
    char name[24];
    std::snprintf(name, sizeof name, "Version%03d", number);
    return name;
}

// `folder`/`name` as it exists on disk (any letter case), or as written when
// it does not exist; `found` tells which.
std::string ChildFolder(const std::string& folder, const std::string& name, bool& found) {
    std::string actual = FindSubfolder(folder, name);
    found = !actual.empty();
    return found ? platform::JoinPath(folder, actual) : platform::JoinPath(folder, name);
}

}  // namespace

std::string StoreRoot() {
    bool found = false;
    std::string product = ChildFolder(GetSpecialFolder(kFolderAppData), "Halcyra", found);
    return ChildFolder(product, "KORV", found);
}

std::string FindSiteFolder(const std::string& saverName) {
    bool found = false;
    std::string site = ChildFolder(StoreRoot(), saverName, found);
    return found ? site : std::string();
}

int CountVersions(const std::string& saverName, std::string& latestFolder) {
    bool found = false;
    std::string site = ChildFolder(StoreRoot(), saverName, found);
    int count = 0;
    std::string latest = platform::JoinPath(site, VersionName(0));
    while (count < kMaxVersions) {
        std::string version = ChildFolder(site, VersionName(count), found);
        if (!found) break;
        latest = version;
        ++count;
    }
    latestFolder = latest;
    return count;
}

std::string PlayableVersionFolder(const std::string& saverName) {
    std::string latest;
    int count = CountVersions(saverName, latest);
    std::string site = FindSiteFolder(saverName);
    for (int number = count - 1; number >= 0 && !site.empty(); --number) {
        bool found = false;
        std::string version = ChildFolder(site, VersionName(number), found);
        if (found && FileExists(platform::JoinPath(version, saverName + ".zep"))) return version;
    }
    return latest;
}

bool PurgeOldVersions(const std::string& saverName) {
    std::string site = FindSiteFolder(saverName);
    if (site.empty()) return true;
    std::string latest;
    int count = CountVersions(saverName, latest);
    std::string playable = PlayableVersionFolder(saverName);
    for (int number = 0; number + 1 < count; ++number) {
        bool found = false;
        std::string version = ChildFolder(site, VersionName(number), found);
        if (version == playable) continue;
        if (!DeleteFolderContents(version)) return false;
    }
    return true;
}

namespace {

// `parent`/`name`, made when no folder of that name (in any letter case)
// is there; empty when it cannot be made.
std::string EnsureChildFolder(const std::string& parent, const std::string& name) {
    bool found = false;
    std::string folder = ChildFolder(parent, name, found);
    if (found) return folder;
    std::error_code error;
    std::filesystem::create_directory(folder, error);
    return error ? std::string() : folder;
}

bool MakeFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directory(path, error);
    return !error && std::filesystem::is_directory(path, error);
}

bool ReadText(const std::string& path, std::string& text) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    // Compared as texts: up to the first zero byte.
    auto zero = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    text.assign(bytes.begin(), zero);
    return true;
}

// Starts the numbering again at the version limit (see ChooseVersion).
bool RenumberVersions(const std::string& site, const std::string& playable) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(site, error)) {
        std::string path = entry.path().string();
        std::string name = entry.path().filename().string();
        if (path == playable || name.size() != 10 || !HasSubfolder(site, name)) continue;
        if (name.compare(0, 7, "Version") != 0 && name.compare(0, 7, "version") != 0) continue;
        fs::remove_all(entry.path(), error);
        if (error) return false;
    }
    fs::rename(playable, platform::JoinPath(site, VersionName(0)), error);
    return !error;
}

}  // namespace

std::string InitStoreFolders() {
    AppLog("Inicijalizacija - Start");
    std::string product = EnsureChildFolder(GetSpecialFolder(kFolderAppData), "Halcyra");
    std::string root = product.empty() ? std::string() : EnsureChildFolder(product, "KORV");
    std::string temp = root.empty() ? std::string() : EnsureChildFolder(root, "Temp");
    if (temp.empty()) return {};
    AppLog("Inicijalizacija - Kraj");
    return temp;
}

bool ChooseVersion(const std::string& saverName, const std::string& tempFolder, std::string& workingFolder,
                   bool& changed) {
    const std::string root = StoreRoot();
    std::string site = FindSiteFolder(saverName);
    if (site.empty()) {
        site = platform::JoinPath(root, saverName);
        workingFolder = platform::JoinPath(site, VersionName(0));
        return MakeFolder(site) && MakeFolder(workingFolder);
    }
    std::string latest;
    int count = CountVersions(saverName, latest);
    if (count == 0) {
        workingFolder = platform::JoinPath(site, VersionName(0));
        return MakeFolder(workingFolder);
    }
    std::string stored, fresh;
    if (!ReadText(platform::JoinPath(tempFolder, "temp.vel"), fresh)) return false;
    if (!ReadText(platform::JoinPath(latest, saverName + ".vel"), stored)) {
        // An update that stopped before it stored its script left this
        // folder incomplete: fill it again rather than fail every update.
        AppLog("VEL file changed!");
        workingFolder = latest;
        changed = true;
        return true;
    }
    if (stored == fresh) {
        AppLog("No changes in VEL file!");
        workingFolder = latest;
        return true;
    }
    AppLog("VEL file changed!");
    if (count >= kMaxVersions) {
        if (!RenumberVersions(site, PlayableVersionFolder(saverName))) return false;
        count = 1;
    }
    workingFolder = platform::JoinPath(site, VersionName(count));
    if (!MakeFolder(workingFolder)) return false;
    changed = true;
    return true;
}

}  // namespace korv
