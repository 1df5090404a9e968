#pragma once
// Temporary files that a write leaves beside its target until it renames
// them into place: a fetched body (".download-<pid>-…"), a compiled
// scenario ("<name>.zep.<pid>-…") and a settings file ("<file>.tmp.<pid>.<n>").
// A process killed in the middle of such a write leaves its file behind;
// the next start or update removes it. The writer's process identifier is
// part of each name, so files of a process that is still writing stay.

#include <string>

namespace korv {

// The prefix of a fetched body's temporary file for this process.
std::string DownloadTempPrefix();

// Whether `name` has the form of such a temporary file, whoever wrote it.
bool IsTemporaryWriteName(const std::string& name);

// Whether `name` is the temporary file of an interrupted write: one of the
// forms above whose process no longer runs (or a body's temporary file of
// an older build, which carries no process identifier).
bool IsInterruptedWrite(const std::string& name);

// Removes the temporary files of interrupted writes directly inside
// `folder` (and in its sub-folders when `recursive`). Returns how many.
int RemoveInterruptedWrites(const std::string& folder, bool recursive = false);

}  // namespace korv
