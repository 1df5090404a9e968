#pragma once
// Whether a Flash player is installed for the movies of a scenario. None
// ships with the engine yet: a Flash play ends after its first log line.

namespace korv {

inline bool IsFlashInstalled() { return false; }

}  // namespace korv
