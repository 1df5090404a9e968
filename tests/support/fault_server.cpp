#include "tests/support/fault_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace korv::test {

namespace {

constexpr size_t kAnnounced = 100000;
constexpr size_t kSent = 1000;

void SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put <= 0) return;
        done += static_cast<size_t>(put);
    }
}

}  // namespace

FaultServer::FaultServer(Fault fault) : fault_(fault) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) return;
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

FaultServer::~FaultServer() {
    if (wake_[1] >= 0) (void)::write(wake_[1], "x", 1);
    if (thread_.joinable()) thread_.join();
    for (int fd : {listener_, wake_[0], wake_[1]})
        if (fd >= 0) ::close(fd);
}

std::string FaultServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void FaultServer::Serve() {
    std::vector<int> stalled;
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) break;
        int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        Answer(connection);
        if (fault_ == Fault::StallMidBody)
            stalled.push_back(connection);
        else
            ::close(connection);
    }
    for (int connection : stalled) ::close(connection);
}

void FaultServer::Answer(int connection) {
    // The request: everything up to the empty line.
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t got = ::recv(connection, chunk, sizeof chunk, 0);
        if (got <= 0) return;
        request.append(chunk, static_cast<size_t>(got));
    }
    ++requests_;
    const bool head = request.rfind("HEAD ", 0) == 0;
    if (fault_ == Fault::ServerError) {
        SendAll(connection, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\n" +
                                std::string(head ? "" : "error"));
        return;
    }
    if (fault_ == Fault::NoLength) {
        SendAll(connection, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(head ? 0 : kAnnounced, 'n'));
        return;
    }
    SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kAnnounced) +
                            "\r\nLast-Modified: Tue, 14 Nov 2023 22:13:20 GMT\r\nConnection: close\r\n\r\n");
    if (!head) SendAll(connection, std::string(kSent, 'p'));
}

}  // namespace korv::test
