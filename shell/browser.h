#pragma once
// The user's web browser and opening web addresses in it.

#include <string>

namespace korv {

// The browser the user picked ($BROWSER on Linux), as a full
// path; empty when there is none.
std::string GetBrowserFromDefaultVerb();

// The desktop's default browser (its desktop entry on Linux), as a full
// path; empty when there is none.
std::string GetBrowserFromOpenCommand();

// The first of the two above, when it names an existing file; else the
// second.
std::string GetBrowserPath();

// Opens `address`: in the user's browser, else in the desktop's default
// browser, else with the desktop's handler for addresses. Returns true when
// the last attempt failed, that is when nothing could be started.
bool OpenUrl(const std::string& address);

}  // namespace korv
