#pragma once
// The local content store: "<application data>/Halcyra/KORV/<saverName>/
// VersionNNN" folders, numbered from Version000, one per downloaded version
// of a saver's site. Folder names compare without regard to case.

#include <string>

namespace korv {

inline constexpr int kMaxVersions = 999;

// "<application data>/Halcyra/KORV".
std::string StoreRoot();
// The site folder of a saver; empty when it does not exist.
std::string FindSiteFolder(const std::string& saverName);

// Counts the consecutive version folders from Version000 on (at most 999)
// and gives the path of the latest one (Version000 when there is none).
int CountVersions(const std::string& saverName, std::string& latestFolder);

// Empties every version folder but the latest; the folders stay. Returns
// false at the first entry that cannot be deleted.
bool PurgeOldVersions(const std::string& saverName);

}  // namespace korv
