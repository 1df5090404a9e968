// The HTTP module's entry: libcurl behind platform/http_client.h.

#include "platform/module_entries.h"

namespace {

korv::platform::HttpResponse Perform(const korv::platform::HttpRequest& request,
                                     const korv::platform::HttpHandlers& handlers) {
    return korv::platform::PerformHttpRequest(request, handlers);
}

}  // namespace

KORV_MODULE_EXPORT const korv::platform::HttpModuleEntries* KorvHttpModuleEntries() {
    static const korv::platform::HttpModuleEntries entries{&Perform};
    return &entries;
}
