#pragma once
// What a Downloader works with: the credentials and the site they belong to,
// the proxy, the folder the files go to, the timeouts and body limits, the
// stop event, the progress counters and where a failed status is reported.
// The mode is chosen per fetch (Downloader::SetMode): it carries the
// progress flag along from one mode to the next.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/event.h"
#include "platform/http_client.h"
#include "saver/saver_config.h"
#include "update/download_progress.h"

namespace korv {

struct FetchOptions {
    using StatusReport = std::function<void(int code, const std::string& text)>;

    // Basic authorization, sent only to addresses inside `siteUrl`.
    bool useAuth = false;
    std::string userName;
    std::string password;
    // 0 no proxy (even if the environment names one), 1 the system's (the
    // environment), 2 `proxyHostPort`.
    int proxyMode = 0;
    std::string proxyHostPort;
    std::string siteUrl;
    std::string targetFolder;
    int connectTimeoutSeconds = 15;
    // A transfer slower than a byte a second for this long fails.
    int lowSpeedSeconds = 60;
    // The largest body a fetch accepts: at most kHttpMaxBodyBytes, less when
    // the caller knows the object's size.
    uint64_t bodyLimit = platform::kHttpMaxBodyBytes;
    // The limit for a body whose length the server does not announce; an
    // announced length is trusted up to the body limit. None: the body limit
    // applies to both.
    std::optional<uint64_t> unannouncedBodyLimit;
    const platform::Event* stop = nullptr;
    // Where the object size and bytes received go while the progress flag is set.
    DownloadProgress* progressCounters = nullptr;
    // Told the status and object path of an answer other than 200 when the
    // fetch fails on it.
    StatusReport statusReport;
};

// The saver's credentials, proxy and site, the target folder and the
// update's timeouts.
FetchOptions FetchOptionsFor(const SaverConfig& config, std::string targetFolder);

}  // namespace korv
