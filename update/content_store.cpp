#include "update/content_store.h"

#include <cstdio>
#include <filesystem>

#include "platform/folders.h"
#include "shell/file_helpers.h"

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

bool PurgeOldVersions(const std::string& saverName) {
    std::string site = FindSiteFolder(saverName);
    if (site.empty()) return true;
    std::string latest;
    int count = CountVersions(saverName, latest);
    for (int number = 0; number + 1 < count; ++number) {
        bool found = false;
        std::string version = ChildFolder(site, VersionName(number), found);
        if (!DeleteFolderContents(version)) return false;
    }
    return true;
}

}  // namespace korv
