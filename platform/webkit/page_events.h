#pragma once
// What a WebKit view's signals mean for the page's host: each signal with a
// counterpart becomes a WebPageEvent, and what the host does not allow (new
// windows, full screen, printing, downloads, error pages) is refused here.

#include <webkit2/webkit2.h>

#include <string>

#include "platform/web_engine.h"

namespace korv::platform::webkit {

// Where a view's events go (its listener, on the engine's thread).
class PageEventSink {
public:
    virtual ~PageEventSink() = default;
    virtual void Report(const WebPageEvent& event) = 0;
    virtual void ReportScriptMessage(const std::string& message) = 0;
};

// The script message handler pages post to.
inline constexpr const char* kScriptMessageHandler = "korv";

void ConnectPageEvents(WebKitWebView* view, PageEventSink* sink);
// After this no signal of `view` reaches `sink`.
void DisconnectPageEvents(WebKitWebView* view, PageEventSink* sink);
// The sink of a connected view; nullptr when none.
PageEventSink* PageEventSinkOf(WebKitWebView* view);

// The NavigationFailed code of a failed load: negative network error codes
// (host not found, could not connect, other); 0 for loads that were only
// cancelled or replaced, which are no failures.
int FailedLoadCode(const GError* error);

}  // namespace korv::platform::webkit
