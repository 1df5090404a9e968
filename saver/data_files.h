#pragma once
// Data files: whether one exists, its size and time, reading it whole and
// writing a temporary one. Failures to read or write are shown to the user.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korv {

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
