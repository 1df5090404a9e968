// The HTTP client on libcurl. Each request gets its own easy handle, driven
// through a multi handle so that the loop can look at the stop event every
// few milliseconds even while nothing arrives (libcurl's own progress
// callback may stay silent for up to a second on an idle connection).

#include "platform/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace korv::platform {

namespace {

// How often the stop event is looked at while the transfer waits.
constexpr int kStopPollMs = 20;

// X.509 verification results that mean "no trusted authority vouches for
// this certificate" (self-signed, or an issuer missing from the trust store).
constexpr long kUnableToGetIssuerCert = 2;
constexpr long kDepthZeroSelfSignedCert = 18;
constexpr long kSelfSignedCertInChain = 19;
constexpr long kUnableToGetIssuerCertLocally = 20;
constexpr long kUnableToVerifyLeafSignature = 21;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    CURL* easy = nullptr;
    const HttpRequest* request = nullptr;
    const HttpHandlers* handlers = nullptr;
    HttpResponse head;
    bool started = false;
    bool skipBody = false;
    bool tooLarge = false;
    bool refused = false;
    bool stopped = false;
    uint64_t received = 0;
    uint64_t limit = 0;  // the body limit once the headers are in
};

bool StopRequested(const Transfer& transfer) {
    return transfer.request->stop != nullptr && transfer.request->stop->IsSet();
}

void ReadHead(CURL* easy, HttpResponse& response) {
    long code = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK) response.status = static_cast<int>(code);
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
        response.contentLength = static_cast<uint64_t>(length);
    curl_off_t modified = -1;
    if (curl_easy_getinfo(easy, CURLINFO_FILETIME_T, &modified) == CURLE_OK && modified >= 0)
        response.lastModified = static_cast<int64_t>(modified);
}

// The final answer's headers are in: tell the caller, and refuse a body
// that announces more than the limit. False ends the transfer.
bool StartBody(Transfer& transfer) {
    if (transfer.started) return !transfer.skipBody && !transfer.tooLarge;
    transfer.started = true;
    ReadHead(transfer.easy, transfer.head);
    if (transfer.handlers->onResponse && !transfer.handlers->onResponse(transfer.head)) {
        transfer.skipBody = true;
        return false;
    }
    const HttpRequest& request = *transfer.request;
    // An announced length bounds the body by itself (libcurl never reads
    // beyond it); without one the caller's guess of the size does.
    transfer.limit = transfer.head.contentLength
                         ? request.maxBodyBytes
                         : std::min(request.maxBodyBytes, request.maxUnannouncedBodyBytes);
    if (request.method == HttpMethod::Get && transfer.head.contentLength &&
        *transfer.head.contentLength > request.maxBodyBytes) {
        transfer.tooLarge = true;
        return false;
    }
    return true;
}

size_t OnWrite(char* data, size_t, size_t size, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    if (StopRequested(transfer)) {
        transfer.stopped = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (!StartBody(transfer)) return CURL_WRITEFUNC_ERROR;
    transfer.received += size;
    if (transfer.received > transfer.limit) {
        transfer.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (transfer.handlers->onBody && !transfer.handlers->onBody(data, size)) {
        transfer.refused = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return size;
}

int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& transfer = *static_cast<Transfer*>(context);
    if (!StopRequested(transfer)) return 0;
    transfer.stopped = true;
    return 1;
}

bool IsUnknownAuthority(long verifyResult) {
    switch (verifyResult) {
        case kUnableToGetIssuerCert:
        case kDepthZeroSelfSignedCert:
        case kSelfSignedCertInChain:
        case kUnableToGetIssuerCertLocally:
        case kUnableToVerifyLeafSignature:
            return true;
        default:
            return false;
    }
}

HttpError ClassifyFailure(CURL* easy, CURLcode code, const std::string& message) {
    if (code == CURLE_PEER_FAILED_VERIFICATION) {
        long verifyResult = 0;
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        if (IsUnknownAuthority(verifyResult)) return HttpError::CertificateAuthorityUnknown;
    }
    // A server that demands a client certificate answers the handshake with
    // a "certificate required" alert (TLS 1.3), seen in the next read.
    if (message.find("certificate required") != std::string::npos) return HttpError::ClientCertificateNeeded;
    if (code == CURLE_FILESIZE_EXCEEDED) return HttpError::TooLarge;
    return HttpError::Transport;
}

struct EasyHandle {
    CURL* easy = curl_easy_init();
    curl_slist* headers = nullptr;
    ~EasyHandle() {
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
};

struct MultiHandle {
    CURLM* multi = curl_multi_init();
    CURL* attached = nullptr;
    ~MultiHandle() {
        if (attached) curl_multi_remove_handle(multi, attached);
        if (multi) curl_multi_cleanup(multi);
    }
};

void Configure(EasyHandle& handle, Transfer& transfer, char* errorBuffer) {
    const HttpRequest& request = *transfer.request;
    CURL* easy = handle.easy;
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_FILETIME, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    if (request.method == HttpMethod::Head) curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);

    for (const std::string& line : request.headers) handle.headers = curl_slist_append(handle.headers, line.c_str());
    if (handle.headers) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handle.headers);

    switch (request.proxyMode) {
        case HttpProxyMode::None:
            // An empty proxy also keeps libcurl from reading the environment.
            curl_easy_setopt(easy, CURLOPT_PROXY, "");
            curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
            break;
        case HttpProxyMode::System:
            break;  // libcurl takes http_proxy, https_proxy and no_proxy itself
        case HttpProxyMode::Explicit:
            curl_easy_setopt(easy, CURLOPT_PROXY, request.proxyHostPort.c_str());
            // The user's own proxy serves every address; no_proxy is not consulted.
            curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
            break;
    }

    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, request.verifyPeer ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);

    if (request.connectTimeoutSeconds > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.connectTimeoutSeconds));
    if (request.lowSpeedSeconds > 0) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.lowSpeedSeconds));
    }

    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

HttpResponse Failure(HttpError error, std::string message) {
    HttpResponse response;
    response.error = error;
    response.message = std::move(message);
    return response;
}

}  // namespace

HttpResponse PerformHttpRequest(const HttpRequest& request, const HttpHandlers& handlers) {
    InitCurlOnce();
    if (request.stop && request.stop->IsSet()) return Failure(HttpError::Cancelled, "stopped before the request");

    EasyHandle handle;
    MultiHandle multi;
    if (!handle.easy || !multi.multi) return Failure(HttpError::Transport, "cannot create a transfer");

    Transfer transfer;
    transfer.easy = handle.easy;
    transfer.request = &request;
    transfer.handlers = &handlers;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Configure(handle, transfer, errorBuffer);

    if (curl_multi_add_handle(multi.multi, handle.easy) != CURLM_OK)
        return Failure(HttpError::Transport, "cannot start the transfer");
    multi.attached = handle.easy;

    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        int running = 0;
        CURLMcode step = curl_multi_perform(multi.multi, &running);
        if (step != CURLM_OK) return Failure(HttpError::Transport, curl_multi_strerror(step));
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle.easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done) break;
        if (StopRequested(transfer)) {
            transfer.stopped = true;
            break;
        }
        step = curl_multi_poll(multi.multi, nullptr, 0, kStopPollMs, nullptr);
        if (step != CURLM_OK) return Failure(HttpError::Transport, curl_multi_strerror(step));
    }

    // An answer without a body (HEAD, an empty file) never reached the write
    // callback; its headers are reported now.
    if (done && result == CURLE_OK && !transfer.started) StartBody(transfer);

    HttpResponse response = transfer.head;
    if (!transfer.started) ReadHead(handle.easy, response);
    std::string message = errorBuffer[0] ? std::string(errorBuffer) : std::string(curl_easy_strerror(result));

    if (transfer.stopped) {
        response.error = HttpError::Cancelled;
        response.message = "stopped";
    } else if (transfer.tooLarge) {
        response.error = HttpError::TooLarge;
        response.message = "the body exceeds " + std::to_string(transfer.limit ? transfer.limit : request.maxBodyBytes) + " bytes";
    } else if (transfer.refused) {
        response.error = HttpError::Cancelled;
        response.message = "the body was refused";
    } else if (transfer.skipBody || result == CURLE_OK) {
        response.error = HttpError::None;
    } else {
        response.error = ClassifyFailure(handle.easy, result, message);
        response.message = message;
    }
    return response;
}

}  // namespace korv::platform
