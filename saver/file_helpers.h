#pragma once
// Folders, file names and whole-file reading and writing. Paths use '/'
// between their parts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korv {

// Special folder identifiers the saver asks for.
inline constexpr int kFolderAppData = 26;
inline constexpr int kFolderLocalAppData = 28;


// The path of a special folder: the application-data folders
// (kFolderAppData, kFolderLocalAppData) are the user's data folder, made
// when missing. Empty for other identifiers and on failure.
std::string GetSpecialFolder(int id);

// The user's private temporary folder (see platform::PrivateTempFolder),
// without a final '/'.
std::string GetTempFolder();

// The temporary folder, a '/' and `name`.
std::string TempFilePath(const std::string& name);

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

// The text after the last '.' (lower-cased when `lower`); empty without '.'.
std::string GetExtension(const std::string& path, bool lower);

// The text up to and including the last '/'; empty without '/'.
std::string GetFolderPart(const std::string& path);

// The file name (the text after the last '/') without the part from its last
// '.' on.
std::string GetFileTitle(const std::string& path);

// Whether `path` names something that is not a folder.
bool FileExists(const std::string& path);

// Size in bytes and last-write time (seconds since 1970, UTC) of a regular
// file that can be opened for reading; false otherwise.
bool GetFileSizeAndTime(const std::string& path, uint64_t& size, int64_t& time);

// Reads a whole regular file into `data`. On failure `data` is emptied, the
// message "<file name without its first 46 characters>\nCannot be read data."
// is shown, and the result is false.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data);

// Writes `size` bytes to a new file "Ssd…" in the temporary folder and gives
// its path. On failure the file is deleted, `path` is emptied, "It cannot be
// made data file." is shown, and the result is false.
bool WriteTempFile(const void* data, size_t size, std::string& path);

}  // namespace korv
