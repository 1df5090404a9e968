#pragma once
// What an HTML view writes to the file log for each event of its page. The
// view is a picture, so at the document's end its scroll bars are hidden.

#include "platform/web_engine.h"

namespace korv {

// Hides the page's scroll bars (run at the document's end).
inline constexpr const char* kHideScrollBarsScript = "document.documentElement.style.overflow='hidden';";

// Writes the log lines of `event`.
void LogHtmlViewEvent(const platform::WebPageEvent& event);

}  // namespace korv
