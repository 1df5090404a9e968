#include "tests/support/nginx_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/command_runner.h"

namespace korv::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr const char* kTinyproxy = "/usr/bin/tinyproxy";
constexpr const char* kOpenssl = "/usr/bin/openssl";

bool IsExecutable(const char* path) { return ::access(path, X_OK) == 0; }

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// Starts `argv` with its output in `logPath`; the child gets its own
// process group so that a stop reaches everything it started.
pid_t Launch(const std::vector<std::string>& argv, const fs::path& logPath) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::string log = logPath.string();
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        if (in >= 0) dup2(in, 0);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (Exited(pid)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool Accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address = Loopback(port);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// Waits until every port accepts connections; false when the process ended
// or ten seconds passed.
bool WaitUntilListening(pid_t pid, const std::vector<int>& ports) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Exited(pid)) return false;
        bool all = true;
        for (int port : ports) all = all && Accepts(port);
        if (all) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void WriteText(const fs::path& path, const std::string& text) { WriteFileBytes(path, text); }

std::string Trim(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

// A self-signed certificate for "localhost" and 127.0.0.1, valid for a day,
// as cert.pem and key.pem in `folder`; empty text on success.
std::string MakeCertificate(const fs::path& folder) {
    CommandResult made =
        RunCommand(kOpenssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-days", "1",
                              "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
                              (folder / "key.pem").string(), "-out", (folder / "cert.pem").string()});
    return made.exitCode == 0 ? std::string() : "openssl req failed: " + made.err;
}

std::vector<AccessLogEntry> ReadAccessLog(const fs::path& path);

}  // namespace

int UnusedLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address = Loopback(0);
    int port = 0;
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

// --- nginx ---------------------------------------------------------------

bool NginxServer::Available() { return IsExecutable(kNginx) && IsExecutable(kOpenssl); }

NginxServer::NginxServer(NginxOptions options) : prefix_(prefixDir_.path()) {
    if (!Available()) {
        failure_ = "nginx or openssl is not installed";
        return;
    }
    if (!Prepare(options)) return;
    // A port picked as free may be taken before nginx binds it; try again then.
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) {
        port_ = UnusedLoopbackPort();
        httpsPort_ = options.https ? UnusedLoopbackPort() : 0;

        std::ostringstream conf;
        conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
             << "pid " << (prefix_ / "nginx.pid").string() << ";\n"
             << "error_log " << (prefix_ / "error.log").string() << " info;\n"
             << "events { worker_connections 64; }\n"
             << "http {\n"
             << "  default_type application/octet-stream;\n"
             << "  types { text/html html htm; text/plain txt; image/jpeg jpg; image/png png; }\n"
             << "  log_format korv '$request_method\\t$request_uri\\t$status\\t$body_bytes_sent\\t"
                "$http_authorization\\t$http_user_agent\\t$http_via';\n"
             << "  access_log " << (prefix_ / "access.log").string() << " korv;\n"
             << "  client_body_temp_path " << (prefix_ / "tmp/body").string() << ";\n"
             << "  proxy_temp_path " << (prefix_ / "tmp/proxy").string() << ";\n"
             << "  fastcgi_temp_path " << (prefix_ / "tmp/fastcgi").string() << ";\n"
             << "  uwsgi_temp_path " << (prefix_ / "tmp/uwsgi").string() << ";\n"
             << "  scgi_temp_path " << (prefix_ / "tmp/scgi").string() << ";\n"
             << "  sendfile off;\n"
             << "  server {\n"
             << "    listen 127.0.0.1:" << port_ << ";\n";
        if (options.https)
            conf << "    listen 127.0.0.1:" << httpsPort_ << " ssl;\n"
                 << "    ssl_certificate " << CertificatePath().string() << ";\n"
                 << "    ssl_certificate_key " << (prefix_ / "key.pem").string() << ";\n";
        conf << "    server_name localhost;\n"
             << "    root " << Root().string() << ";\n";
        if (!options.authLocation.empty())
            conf << "    location " << options.authLocation << " {\n"
                 << "      auth_basic \"KORV\";\n"
                 << "      auth_basic_user_file " << (prefix_ / "htpasswd").string() << ";\n"
                 << "    }\n";
        for (const auto& [from, to] : options.redirects)
            conf << "    location = " << from << " { return 302 " << to << "; }\n";
        if (!options.stallLocation.empty())
            conf << "    location " << options.stallLocation << " {\n"
                 << "      limit_rate_after " << options.stallAfterBytes << ";\n"
                 << "      limit_rate 1;\n"
                 << "    }\n";
        conf << "  }\n}\n";
        WriteText(prefix_ / "nginx.conf", conf.str());

        pid_ = Launch({kNginx, "-e", (prefix_ / "error.log").string(), "-p", prefix_.string(), "-c",
                       (prefix_ / "nginx.conf").string()},
                      prefix_ / "nginx.out");
        std::vector<int> ports{port_};
        if (httpsPort_) ports.push_back(httpsPort_);
        if (pid_ > 0 && !WaitUntilListening(pid_, ports)) {
            Stop(pid_);
            pid_ = -1;
        }
    }
    if (pid_ <= 0) {
        port_ = httpsPort_ = 0;
        failure_ = "nginx did not start: " + ErrorLog() + ReadFileBytes(prefix_ / "nginx.out");
    }
}

bool NginxServer::Prepare(const NginxOptions& options) {
    fs::create_directories(Root());
    fs::create_directories(prefix_ / "tmp");
    fs::create_directories(prefix_ / "logs");
    if (!options.authLocation.empty()) {
        CommandResult hash = RunCommand(kOpenssl, {"passwd", "-apr1", options.authPassword});
        if (hash.exitCode != 0) {
            failure_ = "openssl passwd failed: " + hash.err;
            return false;
        }
        WriteText(prefix_ / "htpasswd", options.authUser + ":" + Trim(hash.out) + "\n");
    }
    if (options.https) {
        failure_ = MakeCertificate(prefix_);
        if (!failure_.empty()) return false;
    }
    return true;
}

NginxServer::~NginxServer() { Stop(pid_); }

std::string NginxServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string NginxServer::HttpsUrl(const std::string& path) const {
    return "https://localhost:" + std::to_string(httpsPort_) + path;
}

void NginxServer::WriteFile(const std::string& relativePath, const std::string& bytes,
                            std::optional<int64_t> modified) const {
    fs::path path = Root() / relativePath;
    WriteFileBytes(path, bytes);
    if (modified) {
        using namespace std::chrono;
        fs::last_write_time(path, file_clock::from_sys(sys_seconds(seconds(*modified))));
    }
}

std::vector<AccessLogEntry> NginxServer::AccessLog(size_t atLeast) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        std::vector<AccessLogEntry> entries = ReadAccessLog(prefix_ / "access.log");
        if (entries.size() >= atLeast || std::chrono::steady_clock::now() > deadline) return entries;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

namespace {

std::vector<AccessLogEntry> ReadAccessLog(const fs::path& path) {
    std::vector<AccessLogEntry> entries;
    std::istringstream lines(ReadFileBytes(path));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() < 7) continue;
        AccessLogEntry entry;
        entry.method = fields[0];
        entry.uri = fields[1];
        entry.status = std::atoi(fields[2].c_str());
        entry.bodyBytes = std::strtoull(fields[3].c_str(), nullptr, 10);
        entry.authorization = fields[4];
        entry.userAgent = fields[5];
        entry.via = fields[6];
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace

std::string NginxServer::ErrorLog() const { return ReadFileBytes(prefix_ / "error.log"); }

// --- tinyproxy -----------------------------------------------------------

bool TinyProxy::Available() { return IsExecutable(kTinyproxy); }

TinyProxy::TinyProxy() {
    if (!Available()) {
        failure_ = "tinyproxy is not installed";
        return;
    }
    fs::path dir = dir_.path();
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) {
        port_ = UnusedLoopbackPort();
        std::ostringstream conf;
        conf << "Port " << port_ << "\n"
             << "Listen 127.0.0.1\n"
             << "Timeout 30\n"
             << "LogFile \"" << (dir / "tinyproxy.log").string() << "\"\n"
             << "LogLevel Info\n"
             << "PidFile \"" << (dir / "tinyproxy.pid").string() << "\"\n"
             << "MaxClients 20\n"
             << "Allow 127.0.0.1\n"
             << "ViaProxyName \"korv-test-proxy\"\n";
        WriteText(dir / "tinyproxy.conf", conf.str());
        pid_ = Launch({kTinyproxy, "-d", "-c", (dir / "tinyproxy.conf").string()}, dir / "tinyproxy.out");
        if (pid_ > 0 && !WaitUntilListening(pid_, {port_})) {
            Stop(pid_);
            pid_ = -1;
        }
    }
    if (pid_ <= 0) {
        port_ = 0;
        failure_ = "tinyproxy did not start: " + Log() + ReadFileBytes(dir / "tinyproxy.out");
    }
}

TinyProxy::~TinyProxy() { Stop(pid_); }

std::string TinyProxy::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TinyProxy::Log() const { return ReadFileBytes(dir_.path() / "tinyproxy.log"); }

// --- a TLS server that demands a client certificate ------------------------

bool ClientCertificateServer::Available() { return IsExecutable(kOpenssl); }

ClientCertificateServer::ClientCertificateServer() {
    if (!Available()) {
        failure_ = "openssl is not installed";
        return;
    }
    fs::path dir = dir_.path();
    failure_ = MakeCertificate(dir);
    if (!failure_.empty()) return;
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) {
        port_ = UnusedLoopbackPort();
        pid_ = Launch({kOpenssl, "s_server", "-accept", "127.0.0.1:" + std::to_string(port_), "-cert",
                       (dir / "cert.pem").string(), "-key", (dir / "key.pem").string(), "-Verify", "1", "-www",
                       "-quiet"},
                      dir / "s_server.out");
        if (pid_ > 0 && !WaitUntilListening(pid_, {port_})) {
            Stop(pid_);
            pid_ = -1;
        }
    }
    if (pid_ <= 0) {
        port_ = 0;
        failure_ = "openssl s_server did not start: " + ReadFileBytes(dir / "s_server.out");
    }
}

ClientCertificateServer::~ClientCertificateServer() { Stop(pid_); }

std::string ClientCertificateServer::Url(const std::string& path) const {
    return "https://localhost:" + std::to_string(port_) + path;
}

// --- a server that never answers -----------------------------------------

SilentServer::SilentServer() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() {
    if (fd_ >= 0) close(fd_);
}

std::string SilentServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace korv::test
