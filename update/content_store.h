#pragma once
// The local content store: "<application data>/Halcyra/KORV/<saverName>/
// VersionNNN" folders, numbered from Version000, one per downloaded version
// of a saver's site. Folder names compare without regard to case.

#include <functional>
#include <string>
#include <vector>

namespace korv {

inline constexpr int kMaxVersions = 999;

// "<application data>/Halcyra/KORV".
std::string StoreRoot();
// The site folder of a saver; empty when it does not exist.
std::string FindSiteFolder(const std::string& saverName);

// The version folders of a saver as one listing of its site folder found
// them: Version000, Version001, … up to the first missing number (at most
// 999), each as it is spelled on disk.
struct VersionFolders {
    std::string site;                  // empty when the saver has no site folder
    std::vector<std::string> folders;  // paths, by number
    int Count() const { return static_cast<int>(folders.size()); }
    // The latest folder; the path of Version000 when there is none.
    std::string Latest() const;
};
VersionFolders ListVersions(const std::string& saverName);

// Counts the consecutive version folders from Version000 on (at most 999)
// and gives the path of the latest one (Version000 when there is none).
int CountVersions(const std::string& saverName, std::string& latestFolder);

// The file in a version folder that says its compiled scenario loaded in
// full after it was made; a site may not name a file so.
inline constexpr const char* kPlayableMarkName = "playable.mark";

// The saver's compiled scenario in a version folder; empty for no folder.
std::string ScenarioFileIn(const std::string& folder, const std::string& saverName);
// Whether `folder` holds the saver's compiled scenario and the mark that it
// loaded.
bool IsMarkedPlayable(const std::string& folder, const std::string& saverName);
// Writes the mark (atomically); false when it cannot be written.
bool MarkPlayable(const std::string& folder);
// Whether a name from a site would take the place of a file the store keeps
// for itself in a version folder (the scenario, its script copy, its
// candidate, the mark, and what has the form of a temporary file).
bool IsStoreOwnName(const std::string& name, const std::string& saverName);
// The name a freshly compiled scenario has until it has loaded.
std::string CandidateBaseName(const std::string& saverName);

// The newest version folder whose scenario is marked as loading; empty when
// there is none. An update cut short, or one whose scenario did not load,
// leaves a newer folder without the mark, and the saver goes on playing the
// version before it.
std::string PlayableVersionFolder(const std::string& saverName);
std::string PlayableVersionFolder(const VersionFolders& versions, const std::string& saverName);

// The newest version folder that `accept` takes, asked from the newest on
// for every folder that is marked or at least holds the saver's scenario
// (one without the mark comes from an older engine, or from an update that
// ended before it could mark it: it may be played only once it loads).
// Empty when it takes none.
using VersionAcceptor = std::function<bool(const std::string& folder, bool marked)>;
std::string FindPlayableVersion(const VersionFolders& versions, const std::string& saverName,
                                const VersionAcceptor& accept);

// Empties every version folder but the latest and the playable one; the
// folders stay. Returns false at the first entry that cannot be deleted.
bool PurgeOldVersions(const std::string& saverName);

// Makes "Halcyra", "KORV" and "Temp" where they are missing and returns the
// Temp folder; empty when a folder cannot be made.
std::string InitStoreFolders();
// The saver's own folder inside Temp (made when missing), where an update
// keeps the script page and its configuration: savers never share them.
// Empty when it cannot be made.
std::string SaverTempFolder(const std::string& tempFolder, const std::string& saverName);

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
