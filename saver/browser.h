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

// Whether `address` may be handed to a browser: an "http://" or "https://"
// address (any letter case) with a host, without control characters. Links
// come from sites and scenarios; anything else (a "-" option, a "file:" path,
// another scheme) could make the browser do what the user never chose.
bool IsWebAddress(const std::string& address);

// Opens `address`: in the user's browser, else in the desktop's default
// browser, else with the desktop's handler for addresses. Returns true when
// the last attempt failed, that is when nothing could be started, and also
// when `address` is not a web address (nothing is started then).
bool OpenUrl(const std::string& address);

}  // namespace korv
