#pragma once
// The temporary files that video, MIDI and Flash players open: a new "Ssd…"
// file in the user's private temporary folder, copied to the same name with
// the extension the player needs. Every such file is remembered until it is
// deleted, so that the end of the program removes whatever a player left.

#include <cstdint>
#include <span>
#include <string>

namespace korv {

// Writes `data` to a new temporary file and gives it `extension` (".avi",
// ".mid", ".swf"); the path, or empty after the write failed (the user has
// been told) or the copy failed.
std::string MakeTemporaryMediaFile(std::span<const uint8_t> data, const std::string& extension);

// Deletes a file made above (errors ignored) and forgets it. Nothing for an
// empty path.
void DeleteTemporaryMediaFile(const std::string& path);

// Deletes every media file not yet deleted. Safe to call from the last-resort
// clean-up: it gives up rather than wait long for a thread that holds the list.
void DeleteAllTemporaryMediaFiles();

}  // namespace korv
