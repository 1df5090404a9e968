#include "update/content_store.h"

#include <cctype>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "scenario/script_values.h"
#include "update/interrupted_writes.h"
#include "saver/data_files.h"
#include "saver/folder_contents.h"
#include "saver/user_folders.h"
#include "saver/log.h"

namespace korv {

namespace {

std::string VersionName(int number) {
    char name[24];
    std::snprintf(name, sizeof name, "Version%03d", number);
    return name;
}

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// An entry of a site folder named like a version folder: ten characters
// that start with "version" in any letter case.
struct VersionEntry {
    std::string name;  // as it is spelled on disk
    int number;        // -1 when the last three characters are not all digits
    bool isFolder;     // a folder, or a link to one
};

// The entries of `site` named like version folders, in the order the folder
// lists them: one pass, a store may hold close to a thousand.
std::vector<VersionEntry> ListVersionEntries(const std::string& site) {
    namespace fs = std::filesystem;
    std::vector<VersionEntry> entries;
    std::error_code error;
    fs::directory_iterator it(site, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() != 10) continue;
        const std::string lower = LowerCase(name);
        if (lower.compare(0, 7, "version") != 0) continue;
        const bool numbered = std::all_of(lower.begin() + 7, lower.end(),
                                          [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        entries.push_back({std::move(name), numbered ? std::stoi(lower.substr(7)) : -1, isFolder});
    }
    return entries;
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

std::string VersionFolders::Latest() const {
    return folders.empty() ? platform::JoinPath(site, VersionName(0)) : folders.back();
}

VersionFolders ListVersions(const std::string& saverName) {
    VersionFolders versions;
    versions.site = FindSiteFolder(saverName);
    if (versions.site.empty()) return versions;
    // The version folders by number, in whatever letter case they were
    // made; the first one listed keeps a number. Version999 lies beyond the
    // limit and can never be reached counting from Version000.
    std::vector<std::string> byNumber(kMaxVersions);
    for (VersionEntry& entry : ListVersionEntries(versions.site)) {
        if (entry.number < 0 || entry.number >= kMaxVersions || !entry.isFolder) continue;
        std::string& slot = byNumber[static_cast<size_t>(entry.number)];
        if (slot.empty()) slot = std::move(entry.name);
    }
    for (const std::string& name : byNumber) {
        if (name.empty()) break;
        versions.folders.push_back(platform::JoinPath(versions.site, name));
    }
    return versions;
}

int CountVersions(const std::string& saverName, std::string& latestFolder) {
    VersionFolders versions = ListVersions(saverName);
    if (versions.site.empty()) versions.site = platform::JoinPath(StoreRoot(), saverName);
    latestFolder = versions.Latest();
    return versions.Count();
}

std::string ScenarioFileIn(const std::string& folder, const std::string& saverName) {
    return folder.empty() ? std::string() : platform::JoinPath(folder, saverName + ".zep");
}

bool IsMarkedPlayable(const std::string& folder, const std::string& saverName) {
    return FileExists(platform::JoinPath(folder, kPlayableMarkName)) &&
           FileExists(ScenarioFileIn(folder, saverName));
}

bool MarkPlayable(const std::string& folder) {
    return platform::ReplaceFileAtomically(platform::JoinPath(folder, kPlayableMarkName), "loaded\n");
}

std::string CandidateBaseName(const std::string& saverName) { return saverName + ".candidate"; }

bool IsStoreOwnName(const std::string& name, const std::string& saverName) {
    for (const std::string& own : {std::string(kPlayableMarkName), saverName + ".zep", saverName + ".vel",
                                   CandidateBaseName(saverName) + ".zep"})
        if (LowerCase(name) == LowerCase(own)) return true;
    // The clean-up after a crash would take it for a write cut short.
    return IsTemporaryWriteName(name);
}

std::string FindPlayableVersion(const VersionFolders& versions, const std::string& saverName,
                                const VersionAcceptor& accept) {
    for (auto folder = versions.folders.rbegin(); folder != versions.folders.rend(); ++folder) {
        if (!FileExists(ScenarioFileIn(*folder, saverName))) continue;
        if (accept(*folder, FileExists(platform::JoinPath(*folder, kPlayableMarkName)))) return *folder;
    }
    return {};
}

std::string PlayableVersionFolder(const VersionFolders& versions, const std::string& saverName) {
    return FindPlayableVersion(versions, saverName, [](const std::string&, bool marked) { return marked; });
}

std::string PlayableVersionFolder(const std::string& saverName) {
    return PlayableVersionFolder(ListVersions(saverName), saverName);
}

bool PurgeOldVersions(const std::string& saverName) {
    VersionFolders versions = ListVersions(saverName);
    if (versions.site.empty()) return true;
    std::string playable = PlayableVersionFolder(versions, saverName);
    for (int number = 0; number + 1 < versions.Count(); ++number) {
        const std::string& version = versions.folders[static_cast<size_t>(number)];
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
    // Whatever follows the prefix, as long as a folder of that name (in any
    // letter case) is still there; the prefix only in these two spellings.
    for (const VersionEntry& entry : ListVersionEntries(site)) {
        const fs::path path = fs::path(site) / entry.name;
        if (path.string() == playable || !HasSubfolder(site, entry.name)) continue;
        if (entry.name.compare(0, 7, "Version") != 0 && entry.name.compare(0, 7, "version") != 0) continue;
        fs::remove_all(path, error);
        if (error) return false;
    }
    if (playable.empty()) return true;
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

std::string SaverTempFolder(const std::string& tempFolder, const std::string& saverName) {
    if (tempFolder.empty() || !IsPlainFileName(saverName)) return {};
    return EnsureChildFolder(tempFolder, saverName);
}

bool ChooseVersion(const std::string& saverName, const std::string& tempFolder, std::string& workingFolder,
                   bool& changed) {
    VersionFolders versions = ListVersions(saverName);
    if (versions.site.empty()) {
        versions.site = platform::JoinPath(StoreRoot(), saverName);
        workingFolder = versions.Latest();
        return MakeFolder(versions.site) && MakeFolder(workingFolder);
    }
    const std::string& site = versions.site;
    const std::string latest = versions.Latest();
    int count = versions.Count();
    if (count == 0) {
        workingFolder = latest;
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
        std::string playable = PlayableVersionFolder(versions, saverName);
        if (!RenumberVersions(site, playable)) return false;
        count = playable.empty() ? 0 : 1;
    }
    workingFolder = platform::JoinPath(site, VersionName(count));
    if (!MakeFolder(workingFolder)) return false;
    changed = true;
    return true;
}

}  // namespace korv
