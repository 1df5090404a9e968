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

// The newest version folder that holds the saver's compiled scenario
// ("<saverName>.zep"): an update cut short by a crash or a power cut leaves
// a newer folder without one, and the saver goes on playing the version
// before it. The latest folder when none holds a scenario.
std::string PlayableVersionFolder(const std::string& saverName);

// Empties every version folder but the latest and the playable one; the
// folders stay. Returns false at the first entry that cannot be deleted.
bool PurgeOldVersions(const std::string& saverName);

// Makes "Halcyra", "KORV" and "Temp" where they are missing and returns the
// Temp folder; empty when a folder cannot be made.
std::string InitStoreFolders();

// Chooses the version folder an update fills, after the new script was
// written to `tempFolder`/temp.vel: the latest one when its script copy is
// the same, else a new one (and `changed` is set). False when a folder
// cannot be made or a script cannot be read.
//
// At the limit of 999 versions the numbering starts again: every version
// folder but the playable one is removed, the playable one becomes
// Version000 and the new version Version001.
bool ChooseVersion(const std::string& saverName, const std::string& tempFolder, std::string& workingFolder,
                   bool& changed);

}  // namespace korv
