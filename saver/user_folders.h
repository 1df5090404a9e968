#pragma once
// The folders the saver keeps its files in: the user's data folder and the
// private temporary folder. Paths use '/' between their parts.

#include <string>

namespace korv {

// The identifiers of the folders the saver asks for by number.
inline constexpr int kFolderAppData = 26;
inline constexpr int kFolderLocalAppData = 28;

// The path of a folder by its identifier: the application-data folders
// (kFolderAppData, kFolderLocalAppData) are the user's data folder, made
// when missing. Empty for other identifiers and on failure.
std::string GetSpecialFolder(int id);

// The user's private temporary folder (see platform::PrivateTempFolder),
// without a final '/'.
std::string GetTempFolder();

// The temporary folder, a '/' and `name`.
std::string TempFilePath(const std::string& name);

}  // namespace korv
