#include "platform/webkit/scheme_handler.h"

#include <exception>
#include <map>
#include <utility>

namespace korv::platform::webkit {

namespace {

// The path of "scheme://host/path?query#fragment": from the first "/" after
// the host up to the query; "/" when there is none.
std::string RequestPath(const std::string& uri) {
    size_t hostStart = uri.find("://");
    hostStart = hostStart == std::string::npos ? 0 : hostStart + 3;
    size_t pathStart = uri.find('/', hostStart);
    size_t hostEnd = uri.find_first_of("?#", hostStart);
    if (pathStart == std::string::npos || (hostEnd != std::string::npos && hostEnd < pathStart)) return "/";
    size_t pathEnd = uri.find_first_of("?#", pathStart);
    return uri.substr(pathStart, pathEnd == std::string::npos ? std::string::npos : pathEnd - pathStart);
}

void FinishMissing(WebKitURISchemeRequest* request, const std::string& path) {
    GError* error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no resource %s", path.c_str());
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

void AnswerRequest(WebKitURISchemeRequest* request, gpointer data) {
    const auto& provider = *static_cast<WebResourceProvider*>(data);
    std::string path = RequestPath(webkit_uri_scheme_request_get_uri(request));
    std::optional<WebResource> resource;
    try {
        resource = provider(path);
    } catch (const std::exception&) {
        resource.reset();
    }
    if (!resource) {
        FinishMissing(request, path);
        return;
    }
    auto* bytes = new std::vector<uint8_t>(std::move(resource->bytes));
    GBytes* body = g_bytes_new_with_free_func(bytes->data(), bytes->size(),
                                              [](gpointer kept) { delete static_cast<std::vector<uint8_t>*>(kept); },
                                              bytes);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(body);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(body)));
    if (!resource->contentType.empty())
        webkit_uri_scheme_response_set_content_type(response, resource->contentType.c_str());
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_bytes_unref(body);
}

}  // namespace

void RegisterSchemeHandler(WebKitWebContext* context, const std::string& scheme, WebResourceProvider provider) {
    // WebKit takes each scheme once; a second provider replaces the first.
    static std::map<std::string, WebResourceProvider*> registered;
    if (auto known = registered.find(scheme); known != registered.end()) {
        *known->second = std::move(provider);
        return;
    }
    auto* kept = new WebResourceProvider(std::move(provider));
    registered[scheme] = kept;
    webkit_web_context_register_uri_scheme(context, scheme.c_str(), AnswerRequest, kept, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
}

}  // namespace korv::platform::webkit
