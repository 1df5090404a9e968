#pragma once
// Registering a built saver with the screen savers of the current user: an
// entry in the display-mode list of ~/.xscreensaver and a .desktop file in
// $XDG_DATA_HOME/applications/screensavers/ for xfce4-screensaver and
// mate-screensaver. Both steps can be repeated and undone exactly.

#include <string>
#include <vector>

namespace korv::tool {

// Before ~/.xscreensaver changes, its contents are kept in
// ~/.xscreensaver.korv-backup.

// Adds what is missing of the saver at `saverPath` (an absolute path);
// returns a line for each thing done or found done. Throws ToolError when a
// file cannot be read or written.
std::vector<std::string> RegisterSaver(const std::string& saverPath);

// Removes the saver's list entry and its .desktop file, nothing else;
// returns a line for each thing done or found already gone.
std::vector<std::string> UnregisterSaver(const std::string& saverPath);

}  // namespace korv::tool
