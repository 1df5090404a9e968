#include "update/downloader.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "scenario/script_values.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "saver/log.h"
#include "update/base64.h"
#include "update/interrupted_writes.h"

namespace korv {

namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t length = std::char_traits<char>::length(prefix);
    if (text.size() < length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// The path (with its query) that a URL asks the server for; "/" when none.
std::string ObjectPath(const std::string& url) {
    size_t scheme = url.find("://");
    size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    size_t pathStart = url.find_first_of("/?#", hostStart);
    if (pathStart == std::string::npos || url[pathStart] == '#') return "/";
    std::string path = url.substr(pathStart, url.find('#', pathStart) - pathStart);
    if (path[0] == '?') path.insert(0, "/");
    return path;
}

// A name the server may give a file: one plain name inside the target folder.
int ClampToInt(uint64_t value) { return static_cast<int>(std::min<uint64_t>(value, INT_MAX)); }

// A body in text lines: every line loses its line feed and the lines follow
// each other with nothing between, which comes down to dropping each line
// feed wherever a chunk boundary falls.
void AppendBody(std::string& out, const char* data, size_t size, BodyReading reading) {
    if (reading == BodyReading::Raw) {
        out.append(data, size);
        return;
    }
    const char* end = data + size;
    while (data < end) {
        const char* lineEnd = std::find(data, end, '\n');
        out.append(data, lineEnd);
        data = lineEnd == end ? end : lineEnd + 1;
    }
}

// Whether a failed attempt's certificate check is to be logged.
enum class RetryLog { Quiet, Logged };

// Performs `request`, and once more without checking the peer when the
// server's certificate comes from an unknown authority. `startAttempt` runs
// before each attempt, to drop what a failed one left.
platform::HttpResponse PerformAcceptingUnknownAuthority(platform::HttpRequest& request,
                                                        const platform::HttpHandlers& handlers = {},
                                                        const std::function<void()>& startAttempt = {},
                                                        RetryLog log = RetryLog::Quiet) {
    platform::HttpResponse response;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (startAttempt) startAttempt();
        response = platform::PerformHttpRequest(request, handlers);
        if (response.error != platform::HttpError::CertificateAuthorityUnknown || !request.verifyPeer) break;
        if (log == RetryLog::Logged) {
            AppLog("Internet error: Certificate authority unknown");
            AppLog("Turn off CA reckognizing");
        }
        request.verifyPeer = false;
    }
    return response;
}

// The received body on its way to disk: a temporary file beside the target,
// renamed over it only when complete, and removed otherwise.
class PartFile {
public:
    explicit PartFile(std::string target) : target_(std::move(target)) {}
    ~PartFile() {
        file_.Close();
        if (!tempPath_.empty()) {
            std::error_code error;
            fs::remove(tempPath_, error);
        }
    }

    // False once writing has failed; the body is then dropped.
    bool Append(const std::string& bytes) {
        if (failed_) return false;
        if (!file_.IsOpen() && !Open()) return false;
        try {
            file_.Write(bytes.data(), bytes.size());
        } catch (const FileException&) {
            failed_ = true;
        }
        return !failed_;
    }

    bool Finish() {
        if (failed_ || (!file_.IsOpen() && !Open())) return false;
        file_.Close();
        return true;
    }

    // The finished file's modification time, before it takes its place.
    bool SetTime(int64_t time) {
        using namespace std::chrono;
        std::error_code error;
        auto stamp = file_clock::from_sys(sys_seconds(seconds(time)));
        fs::last_write_time(tempPath_, stamp, error);
        return !error;
    }

    bool Commit() {
        std::error_code error;
        fs::rename(tempPath_, target_, error);
        if (error) return false;
        tempPath_.clear();
        return true;
    }

private:
    bool Open() {
        fs::path target(target_);
        tempPath_ = platform::CreateUniqueTempFile(target.parent_path().string(), DownloadTempPrefix());
        if (tempPath_.empty() || !file_.Open(tempPath_, platform::File::Mode::Write)) failed_ = true;
        return !failed_;
    }

    std::string target_;
    std::string tempPath_;
    platform::File file_;
    bool failed_ = false;
};

}  // namespace

CDownloadException::CDownloadException(int kind, int code, std::string text)
    : Exception("download failed"), kind(kind), code(code), text(std::move(text)) {}

std::string EnsureScheme(const std::string& url) {
    if (StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://")) return url;
    return "http://" + url;
}

bool SameRemoteTime(int64_t remoteTime, int64_t localTime) {
    // The seconds fields absorb a time rounded differently by one second,
    // also across the turn of a minute (59 against 00).
    auto secondsField = [](int64_t t) { return ((t % 60) + 60) % 60; };
    int64_t apart = secondsField(remoteTime) - secondsField(localTime);
    if (apart == 1 || apart == -1 || apart == 59 || apart == -59) remoteTime = localTime;
    return remoteTime == localTime;
}

Downloader::Downloader(FetchOptions options) : options_(std::move(options)) {}

void Downloader::SetMode(DownloadMode mode) {
    mode_ = mode;
    if (mode == DownloadMode::ScriptPage || mode == DownloadMode::RemoteObject)
        progress_ = true;
    else if (mode == DownloadMode::TextLines || mode == DownloadMode::TextSource)
        progress_ = false;
}

uint64_t Downloader::BodyLimit() const { return std::min(options_.bodyLimit, platform::kHttpMaxBodyBytes); }

std::string Downloader::NormalizeUrl(const std::string& url) {
    secure_ = StartsWithNoCase(url, "https://");
    return secure_ ? url : EnsureScheme(url);
}

bool Downloader::InSite(const std::string& urlArgument) const {
    if (options_.siteUrl.empty() || urlArgument.compare(0, options_.siteUrl.size(), options_.siteUrl) != 0) return false;
    // The site URL must end where a path segment ends, so that a site
    // "http://host" does not vouch for "http://host.example.org" nor a site
    // "http://host/a" for "http://host/ab".
    if (urlArgument.size() == options_.siteUrl.size() || options_.siteUrl.back() == '/') return true;
    char next = urlArgument[options_.siteUrl.size()];
    return next == '/' || next == '?' || next == '#';
}

std::string Downloader::ProxyLogText() const {
    switch (options_.proxyMode) {
        case 1: return "Use IE proxy settings";
        case 2: return "Use KORV proxy settings";
        default: return "No proxy selected";
    }
}

platform::HttpRequest Downloader::MakeRequest(const std::string& url, const std::string& urlArgument) const {
    platform::HttpRequest request;
    request.url = url;
    request.headers.push_back(std::string("User-Agent: ") + kUserAgent);
    // A proxy's cache must not answer for the server.
    request.headers.push_back("Cache-Control: no-cache");
    if (options_.useAuth && InSite(urlArgument))
        request.headers.push_back("Authorization: Basic " + EncodeBase64Line(options_.userName + ":" + options_.password));
    switch (options_.proxyMode) {
        case 1: request.proxyMode = platform::HttpProxyMode::System; break;
        case 2:
            request.proxyMode = platform::HttpProxyMode::Explicit;
            request.proxyHostPort = options_.proxyHostPort;
            break;
        default: request.proxyMode = platform::HttpProxyMode::None; break;
    }
    request.connectTimeoutSeconds = options_.connectTimeoutSeconds;
    request.lowSpeedSeconds = options_.lowSpeedSeconds;
    request.maxBodyBytes = BodyLimit();
    request.maxUnannouncedBodyBytes = std::min(options_.unannouncedBodyLimit.value_or(BodyLimit()), BodyLimit());
    request.stop = options_.stop;
    return request;
}

void Downloader::Fetch(const std::string& name, const std::string& url, bool failOnStatus) {
    std::string fullUrl =
        mode_ == DownloadMode::ScriptPage ? NormalizeUrl(options_.siteUrl) + "/" + name : NormalizeUrl(url);
    platform::HttpRequest request = MakeRequest(fullUrl, url);

    AppLog("\nDownload proc - start");
    AppLog("Download proc - prosao parsiranje URLa");
    AppLog(fullUrl);
    AppLog(ProxyLogText());

    bool raw = mode_ == DownloadMode::RemoteObject || mode_ == DownloadMode::SiteObject;
    BodyReading reading = raw ? BodyReading::Raw : BodyReading::Lines;
    // Without a target folder (the store's folders could not be made)
    // nothing is written, least of all beside the working directory.
    std::string target;
    if (!options_.targetFolder.empty()) {
        if (mode_ == DownloadMode::ScriptPage)
            target = platform::JoinPath(options_.targetFolder, kScriptPageFileName);
        else if (static_cast<int>(mode_) >= 1 && static_cast<int>(mode_) <= 4 && IsPlainFileName(name))
            target = platform::JoinPath(options_.targetFolder, name);
    }

    std::optional<PartFile> part;
    std::optional<int64_t> stamp;
    uint64_t bodyLength = 0;
    bool stoppedByEvent = false;
    std::string chunkText;

    platform::HttpHandlers handlers;
    handlers.onResponse = [&](const platform::HttpResponse& head) {
        if (head.status != 200) return false;  // the body of another answer is of no use
        if (progress_ && options_.progressCounters && head.contentLength) options_.progressCounters->objectSize = ClampToInt(*head.contentLength);
        AppLog(FormatText("Status Code is %d", head.status));
        stamp = head.lastModified;
        return true;
    };
    handlers.onBody = [&](const char* data, size_t size) {
        if (options_.stop && options_.stop->IsSet()) {
            stoppedByEvent = true;
            return false;
        }
        chunkText.clear();
        AppendBody(chunkText, data, size, reading);
        bodyLength += chunkText.size();
        if (progress_ && options_.progressCounters) options_.progressCounters->bytesReceived = ClampToInt(bodyLength);
        // A body that cannot be stored is not worth receiving.
        return target.empty() || part->Append(chunkText);
    };

    const platform::HttpResponse response = PerformAcceptingUnknownAuthority(
        request, handlers,
        [&] {
            part.reset();
            if (!target.empty()) part.emplace(target);
            stamp.reset();
            bodyLength = 0;
        },
        RetryLog::Logged);

    if (response.error == platform::HttpError::Cancelled && (stoppedByEvent || (options_.stop && options_.stop->IsSet())))
        throw CDownloadException(CDownloadException::kStopped, 200, response.message);
    bool writeFailed = response.error == platform::HttpError::Cancelled;  // the body was refused
    if (response.error != platform::HttpError::None && !writeFailed) {
        if (response.error == platform::HttpError::ClientCertificateNeeded)
            AppLog("Internet error: Client authentication needed");
        throw CDownloadException(CDownloadException::kConnection, 200, response.message);
    }

    if (response.status != 200 && failOnStatus) {
        if (options_.statusReport) options_.statusReport(response.status, ObjectPath(fullUrl));
        throw CDownloadException(CDownloadException::kStatus, response.status);
    }

    // Another answer than 200 leaves an empty file, with the time as written.
    if (target.empty()) throw CDownloadException(CDownloadException::kWrite, 200, "no file may be called " + name);
    if (writeFailed || !part->Finish()) throw CDownloadException(CDownloadException::kWrite, 200, "cannot write " + target);
    if (response.status == 200 && stamp) {
        if (part->SetTime(*stamp))
            AppLog("Vreme kreiranja fajla je setovano...");
        else
            AppLog("Nisam mogao da setujem vreme na fajlu...");
    }
    if (!part->Commit()) throw CDownloadException(CDownloadException::kWrite, 200, "cannot replace " + target);
    AppLog(FormatText("File %s downloaded ok...", target.c_str()));
    if (progress_ && options_.progressCounters) options_.progressCounters->bytesReceived = 0;
    AppLog("Download proc finished ok\n");
}

bool Downloader::IsSameAsRemote(const std::string& name, const std::string& url, BodyReading reading) {
    if (!IsPlainFileName(name)) return false;
    std::optional<std::string> local =
        platform::ReadFileText(platform::JoinPath(options_.targetFolder, name), BodyLimit());
    if (!local) return false;

    platform::HttpRequest request = MakeRequest(EnsureScheme(url), url);
    size_t matched = 0;
    bool same = true;
    std::string chunkText;
    platform::HttpHandlers handlers;
    handlers.onResponse = [&](const platform::HttpResponse& head) {
        same = head.status == 200;
        return same;
    };
    // Compared as it arrives: the first difference ends the transfer.
    handlers.onBody = [&](const char* data, size_t size) {
        if (options_.stop && options_.stop->IsSet()) return same = false;
        chunkText.clear();
        AppendBody(chunkText, data, size, reading);
        if (matched + chunkText.size() > local->size() || local->compare(matched, chunkText.size(), chunkText) != 0)
            return same = false;
        matched += chunkText.size();
        return true;
    };

    const platform::HttpResponse response = PerformAcceptingUnknownAuthority(request, handlers, [&] {
        matched = 0;
        same = true;
    });
    return response.error == platform::HttpError::None && same && matched == local->size();
}

bool Downloader::HasSameTimestamp(const std::string& name, int64_t& localSize, int64_t localTime,
                                  const std::string& url) {
    platform::HttpRequest request = MakeRequest(EnsureScheme(url.empty() ? options_.siteUrl + "/" : url), url);
    request.method = platform::HttpMethod::Head;

    const platform::HttpResponse response = PerformAcceptingUnknownAuthority(request);
    if (response.error != platform::HttpError::None) return false;

    int64_t remoteSize = response.contentLength ? static_cast<int64_t>(*response.contentLength) : 0;
    bool sameTime = response.lastModified && SameRemoteTime(*response.lastModified, localTime);
    if (sameTime && response.contentLength && remoteSize == localSize) return true;

    localSize = remoteSize;
    if (!sameTime) {
        AppLog("Remote fajl nema isti timestamp");
        AppLog(platform::LocalClockText(localTime));
        AppLog(response.lastModified ? platform::LocalClockText(*response.lastModified) : "--:--:--");
    }
    return false;
}

}  // namespace korv
