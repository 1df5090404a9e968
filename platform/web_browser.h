#pragma once
// The user's web browser on this platform.

#include <string>

namespace korv::platform {

// The browser the user named in $BROWSER: the program of its first entry
// (entries are separated by ':'), as a full path. Empty when $BROWSER is not
// set or that program cannot be found.
std::string BrowserFromEnvironment();

// The desktop's default browser: the program of the Exec line of the desktop
// entry that `xdg-settings get default-web-browser` names, as a full path.
// Empty when any step fails.
std::string BrowserFromDesktopDefault();

// Opens `url` with the desktop's handler for it (xdg-open), without waiting.
// False when the handler could not be started.
bool OpenWithDesktopHandler(const std::string& url);

// The program of a desktop entry's Exec value: its first word, quoted or
// bare, with the entry format's escapes undone; a leading `env` and its
// variable assignments are passed over. Empty when there is none.
std::string ProgramFromExecValue(const std::string& exec);

// The Exec value of the [Desktop Entry] group of a desktop entry file's text,
// or empty.
std::string ExecValueOfDesktopEntry(const std::string& contents);

}  // namespace korv::platform
