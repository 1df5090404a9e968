#pragma once
// What a folder holds: finding a sub-folder by name in any letter case, and
// emptying a folder. Paths use '/' between their parts.

#include <string>

namespace korv {

// Whether `folder` (a final '/' is ignored) holds a sub-folder called `name`,
// ignoring case. False when either is empty.
bool HasSubfolder(const std::string& folder, const std::string& name);
// The name, as it is on disk, of `folder`'s sub-folder called `name` in any
// letter case; empty when there is none.
std::string FindSubfolder(const std::string& folder, const std::string& name);

// Deletes everything inside `folder`: files, and sub-folders after emptying
// them first; the folder itself stays. Symbolic links are removed, never
// followed. False at the first entry that cannot be removed (or when the
// folder cannot be listed); true when `folder` does not exist.
bool DeleteFolderContents(const std::string& folder);

}  // namespace korv
