#pragma once
// Where the system keeps its files on this platform.

#include <string>

namespace korv::platform {

// The user's application-data folder ($XDG_DATA_HOME, default ~/.local/share).
std::string ApplicationDataFolder();
// Where settings live ($XDG_CONFIG_HOME, default ~/.config).
std::string ConfigFolder();
// Where diagnostic logs go ($XDG_STATE_HOME, default ~/.local/state).
std::string StateFolder();
// The temporary folder ($TMPDIR, default /tmp), without a final separator.
std::string TempFolder();
// The folder for the user's private temporary files (screen captures, media
// and page copies): "korv" in $XDG_RUNTIME_DIR when that is the user's own
// 0700 folder, else "korv-<uid>" in the temporary folder. The folder is made
// 0700 when missing and used only when it is a real folder (not a link)
// owned by the user that nobody else can enter; when another user holds that
// name, a fresh folder with a random name serves this process. Empty when no
// such folder can be had.
std::string PrivateTempFolder();
// The user's home folder ($HOME, else the password database); empty if unknown.
std::string HomeFolder();

inline constexpr char kPathSeparator = '/';

// Joins two path parts with exactly one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates a new, empty file with a unique name in `folder` whose name starts
// with `prefix`, readable and writable by the user only; returns its path, or
// an empty text on failure.
std::string CreateUniqueTempFile(const std::string& folder, const std::string& prefix);

}  // namespace korv::platform
