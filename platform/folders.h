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
// The user's home folder ($HOME, else the password database); empty if unknown.
std::string HomeFolder();

inline constexpr char kPathSeparator = '/';

// Joins two path parts with exactly one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates a new, empty file with a unique name in `folder` whose name starts
// with `prefix`; returns its path, or an empty text on failure.
std::string CreateUniqueTempFile(const std::string& folder, const std::string& prefix);

}  // namespace korv::platform
