#pragma once
// The .desktop file that names a saver to the desktop screen savers
// (xfce4-screensaver, mate-screensaver), which look for them in
// applications/screensavers/ of the data folders.

#include <string>

namespace korv::tool {

// The entry that runs `programPath` with `arguments` (each a plain word)
// under `name`. Control characters in the name are dropped; the path is
// quoted and escaped as the format asks, so no character of it can end the
// value or start another key. `programPath` must hold no control character.
std::string ScreensaverDesktopEntry(const std::string& name, const std::string& programPath,
                                    const std::string& arguments);

// The program named by an entry's TryExec key (its escapes resolved), or
// empty when it has none.
std::string DesktopEntryProgram(const std::string& text);

}  // namespace korv::tool
