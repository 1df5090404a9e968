#pragma once
// Fetching the site's files into the content store: one GET into a local
// file, with the user's proxy choice, Basic authorization for the saver's own
// site only, acceptance of a certificate from an unknown authority, the
// remote Last-Modified time as the file's modification time, a stop event and
// progress counters; and two cheap checks of whether a stored copy is still
// current.
//
// File times: the modification time of a fetched file is the server's
// Last-Modified instant itself (seconds since 1970, UTC), and
// HasSameTimestamp compares that instant with the stored one, so neither the
// time zone nor a daylight-saving change makes a file look out of date.

#include <cstdint>
#include <string>

#include "platform/event.h"
#include "platform/exception.h"
#include "platform/http_client.h"
#include "update/download_progress.h"
#include "update/fetch_options.h"

namespace korv {

enum class DownloadMode : int {
    ScriptPage = 0,    // the script page, text lines, stored as "temp.html"
    RemoteObject = 1,  // an object with an absolute URL, raw bytes
    TextLines = 2,     // text lines; the update process does not use it
    TextSource = 3,    // text containers and the update configuration, text lines
    SiteObject = 4,    // pages relative to the site, raw bytes
};

// How a body is taken: as text lines, each without its line feed (a carriage
// return before it stays) and nothing between them, or as it is.
enum class BodyReading { Lines, Raw };

inline constexpr const char* kUserAgent = "KORV Download Client v4.5";
inline constexpr const char* kScriptPageFileName = "temp.html";

class CDownloadException : public Exception {
public:
    // kWrite: the body arrived but could not be stored (disk full, file size
    // limit, permissions, a name that is no plain file name).
    enum Kind { kConnection = 0, kStopped = 1, kStatus = 2, kWrite = 3 };
    CDownloadException(int kind, int code, std::string text = {});
    int kind;
    int code;  // the HTTP status for kStatus, otherwise 200
    std::string text;
};

// "http://" in front of a URL that begins with neither "http://" nor
// "https://" (letter case aside).
std::string EnsureScheme(const std::string& url);

// The rule HasSameTimestamp applies to two times (seconds since 1970, UTC):
// when their seconds fields differ by exactly 1 or exactly 59 the remote time
// counts as the local one; otherwise they must be equal to the second.
bool SameRemoteTime(int64_t remoteTime, int64_t localTime);

class Downloader {
public:
    explicit Downloader(FetchOptions options = {});

    // The options for the fetches to come.
    FetchOptions& Options() { return options_; }
    // Also sets the progress flag: modes 0 and 1 set it, 2 and 3 clear it,
    // 4 leaves it.
    void SetMode(DownloadMode mode);
    DownloadMode Mode() const { return mode_; }
    bool Progress() const { return progress_; }

    // Fetches `url` (in ScriptPage mode the site URL + "/" + `name`) into the
    // target folder. Throws CDownloadException: kind 0 when the connection or
    // request failed (or the body was too large), 1 when the stop event was
    // set, 2 for a status other than 200 when `failOnStatus` is set, 3 when
    // the file could not be written. Without `failOnStatus` such an answer
    // leaves an empty file. The file is replaced only when the whole body
    // arrived and was stored.
    void Fetch(const std::string& name, const std::string& url, bool failOnStatus);

    // True when the stored file target folder/`name` has exactly the bytes
    // the server gives for `url`, read the way the stored copy was fetched.
    // Any failure gives false.
    bool IsSameAsRemote(const std::string& name, const std::string& url, BodyReading reading);

    // Asks the server (HEAD) for the size and time of `url` (the site URL +
    // "/" when empty) and compares them with the stored copy's. When they
    // differ, the remote size is written back to `localSize`. Any failure
    // gives false.
    bool HasSameTimestamp(const std::string& name, int64_t& localSize, int64_t localTime, const std::string& url);

    // EnsureScheme, and remembers whether the URL is an https one.
    std::string NormalizeUrl(const std::string& url);
    bool Secure() const { return secure_; }

private:
    platform::HttpRequest MakeRequest(const std::string& url, const std::string& urlArgument) const;
    bool InSite(const std::string& urlArgument) const;
    std::string ProxyLogText() const;

    uint64_t BodyLimit() const;

    FetchOptions options_;
    DownloadMode mode_ = DownloadMode::ScriptPage;
    bool progress_ = false;
    bool secure_ = false;
};

}  // namespace korv
