#pragma once
// One HTTP or HTTPS request at a time, the way the content updater needs it:
// GET or HEAD, a choice of proxy, extra header lines, no automatic redirects,
// the Content-Length and Last-Modified of the answer, and a body handed over
// in chunks as it arrives. A transfer ends within a few tens of milliseconds
// of its stop event being set, also while it waits for the server.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/event.h"

namespace korv::platform {

enum class HttpMethod { Get, Head };

enum class HttpProxyMode {
    None,      // a direct connection, whatever the environment says
    System,    // the environment's http_proxy, https_proxy and no_proxy
    Explicit,  // `proxyHostPort` for every URL
};

inline constexpr uint64_t kHttpMaxBodyBytes = 512ull * 1024 * 1024;

struct HttpRequest {
    HttpMethod method = HttpMethod::Get;
    std::string url;
    // Complete header lines without line ends, such as "User-Agent: X".
    std::vector<std::string> headers;
    HttpProxyMode proxyMode = HttpProxyMode::None;
    std::string proxyHostPort;  // "host:port", for HttpProxyMode::Explicit
    // Off: a server certificate from an unknown authority is accepted (the
    // host name must still match it).
    bool verifyPeer = true;
    int connectTimeoutSeconds = 15;
    // The transfer fails when it moves less than one byte per second for this
    // long.
    int lowSpeedSeconds = 60;
    // A body longer than this (announced or received) fails the transfer.
    uint64_t maxBodyBytes = kHttpMaxBodyBytes;
    // When the server announces no length, a body longer than this (and
    // than maxBodyBytes) fails the transfer; an announced length is taken
    // as the body's limit.
    uint64_t maxUnannouncedBodyBytes = kHttpMaxBodyBytes;
    // Polled while the transfer runs; when set, the transfer is cancelled.
    const Event* stop = nullptr;
};

enum class HttpError {
    None,
    Transport,                     // DNS, connection, TLS, protocol or time-out failure
    Cancelled,                     // the stop event was set, or a callback refused
    CertificateAuthorityUnknown,   // the server's certificate chain is not trusted
    ClientCertificateNeeded,       // the server demands a client certificate
    TooLarge,                      // the body exceeds maxBodyBytes
};

struct HttpResponse {
    int status = 0;                         // 0 when no answer arrived
    std::optional<uint64_t> contentLength;  // as announced by the server
    std::optional<int64_t> lastModified;    // seconds since 1970, UTC
    HttpError error = HttpError::None;
    std::string message;                    // what went wrong, for the log
};

struct HttpHandlers {
    // Called once, when the final answer's headers are in (before the first
    // body chunk). Returning false ends the transfer without reading the
    // body; the result then has no error.
    std::function<bool(const HttpResponse& head)> onResponse;
    // Receives the body in chunks. Returning false cancels the transfer
    // (HttpError::Cancelled).
    std::function<bool(const char* data, size_t size)> onBody;
};

// Performs one request and returns when it is complete, failed or cancelled.
// Safe to call from several threads at once.
HttpResponse PerformHttpRequest(const HttpRequest& request, const HttpHandlers& handlers = {});

}  // namespace korv::platform
