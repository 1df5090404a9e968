#pragma once
// Real servers on the loopback interface for the download tests: Debian's
// nginx serving a temporary folder (optionally with Basic authorization, a
// redirect, a location that stalls in the middle of a body and a self-signed
// HTTPS server), tinyproxy as a proxy, and a listener that never answers.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_environment.h"

namespace korv::test {

struct NginxOptions {
    // Basic authorization on this location ("/private/"), for one user.
    std::string authLocation;
    std::string authUser;
    std::string authPassword;
    // Exact paths answered with "302 Found" to the given target.
    std::vector<std::pair<std::string, std::string>> redirects;
    // Under this location ("/slow/") a body is sent at full speed up to
    // `stallAfterBytes`, then at one byte a second.
    std::string stallLocation;
    size_t stallAfterBytes = 16 * 1024;
    // Also serve the same folder over HTTPS with a self-signed certificate
    // for "localhost" and 127.0.0.1.
    bool https = false;
};

// One line of the access log.
struct AccessLogEntry {
    std::string method;
    std::string uri;
    int status = 0;
    uint64_t bodyBytes = 0;
    std::string authorization;  // "-" when none was sent
    std::string userAgent;
    std::string via;            // set by a proxy on the way
};

class NginxServer {
public:
    explicit NginxServer(NginxOptions options = {});
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Whether nginx (and, for the options used, openssl) is installed.
    static bool Available();
    bool Running() const { return pid_ > 0 && port_ > 0; }
    // Why the server did not start (with its error log).
    const std::string& Failure() const { return failure_; }

    int Port() const { return port_; }
    int HttpsPort() const { return httpsPort_; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path = "/") const;
    // "https://localhost:PORT" + path.
    std::string HttpsUrl(const std::string& path = "/") const;

    // The served folder.
    std::filesystem::path Root() const { return prefix_ / "site"; }
    // Writes a file under the served folder (folders made as needed) and,
    // when given, sets its modification time (seconds since 1970, UTC),
    // which nginx sends as Last-Modified.
    void WriteFile(const std::string& relativePath, const std::string& bytes,
                   std::optional<int64_t> modified = std::nullopt) const;

    // nginx logs a request only after it has answered it, so a client may
    // look before the line is there: this waits (up to five seconds) until
    // the log holds at least `atLeast` lines.
    std::vector<AccessLogEntry> AccessLog(size_t atLeast = 0) const;
    std::string ErrorLog() const;
    // The path of the self-signed certificate (PEM).
    std::filesystem::path CertificatePath() const { return prefix_ / "cert.pem"; }

private:
    bool Prepare(const NginxOptions& options);

    TempDir prefixDir_;
    std::filesystem::path prefix_;
    pid_t pid_ = -1;
    int port_ = 0;
    int httpsPort_ = 0;
    std::string failure_;
};

// tinyproxy on a free loopback port, allowing 127.0.0.1 only.
class TinyProxy {
public:
    TinyProxy();
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    static bool Available();
    bool Running() const { return pid_ > 0 && port_ > 0; }
    const std::string& Failure() const { return failure_; }
    int Port() const { return port_; }
    // "127.0.0.1:PORT".
    std::string HostPort() const;
    // The proxy's log; each request it forwards shows its request line.
    std::string Log() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string failure_;
};

// openssl's test server with a self-signed certificate, demanding a client
// certificate from everyone who connects.
class ClientCertificateServer {
public:
    ClientCertificateServer();
    ~ClientCertificateServer();
    ClientCertificateServer(const ClientCertificateServer&) = delete;
    ClientCertificateServer& operator=(const ClientCertificateServer&) = delete;

    static bool Available();
    bool Running() const { return pid_ > 0 && port_ > 0; }
    const std::string& Failure() const { return failure_; }
    // "https://localhost:PORT" + path.
    std::string Url(const std::string& path = "/") const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string failure_;
};

// A loopback listener that lets clients connect and never reads or answers:
// a server that hangs.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const;

private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback port that nothing listens on (at the moment of the call).
int UnusedLoopbackPort();

}  // namespace korv::test
