#pragma once
// An HTTP server on the loopback interface that answers every request with
// one fault a real server or network shows now and then: a server error, a
// connection closed in the middle of the body, or a body that stops coming;
// or with a body whose length it does not announce.

#include <atomic>
#include <string>
#include <thread>

namespace korv::test {

enum class Fault {
    ServerError,   // "500 Internal Server Error"
    CloseMidBody,  // 200 with a length of 100000, 1000 bytes, then the connection is closed
    StallMidBody,  // 200 with a length of 100000, 1000 bytes, then nothing until the server ends
    NoLength,      // 200 without a length: 100000 bytes, then the connection is closed (not a fault as such)
};

class FaultServer {
public:
    explicit FaultServer(Fault fault);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    bool Running() const { return port_ > 0; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path) const;
    // How many requests it answered.
    int Requests() const { return requests_.load(); }

private:
    void Serve();
    void Answer(int connection);

    Fault fault_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace korv::test
