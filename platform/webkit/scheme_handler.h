#pragma once
// Schemes of our own ("scheme://host/path"): WebKit asks for their
// resources on the engine's thread and the scheme's provider answers.

#include <webkit2/webkit2.h>

#include <string>

#include "platform/web_engine.h"

namespace korv::platform::webkit {

// Serves `scheme` to the views of `context` through `provider`. The scheme
// counts as secure and may be fetched across origins, so that pages may
// fetch() from it (WebAssembly streaming among others).
void RegisterSchemeHandler(WebKitWebContext* context, const std::string& scheme, WebResourceProvider provider);

}  // namespace korv::platform::webkit
