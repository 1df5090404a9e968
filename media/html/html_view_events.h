#pragma once
// What an HTML view writes to the file log for each event of its page. The
// view is a picture, so at the document's end its scroll bars are hidden.

#include <functional>

#include "platform/web_engine.h"

namespace korv {

// Hides the page's scroll bars.
inline constexpr const char* kHideScrollBarsScript = "document.documentElement.style.overflow='hidden';";

// Logs `event`; at the document's end `hideScrollBars` runs between the
// "Document complete" lines.
void LogHtmlViewEvent(const platform::WebPageEvent& event, const std::function<void()>& hideScrollBars);

}  // namespace korv
