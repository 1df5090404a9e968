#include "tests/support/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

namespace korv::test {

namespace {

// A random display number out of many thousands, so that a server starting
// while another test's server ends never takes the number whose socket the
// ending one is about to remove (the lowest free number often is that one).
int NextDisplayNumber() {
    static std::mt19937 random(std::random_device{}());
    return std::uniform_int_distribution<int>(1000, 59999)(random);
}

}  // namespace

XvfbServer::XvfbServer(int width, int height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    for (int attempt = 0; attempt < 20 && display_.empty(); ++attempt) {
        const std::string wanted = ":" + std::to_string(NextDisplayNumber());
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            // Xvfb writes the display number to the descriptor we name once it
            // accepts connections; it ends at once when the number is taken.
            dup2(pipeFds[1], 3);
            if (pipeFds[0] != 3) close(pipeFds[0]);
            execlp("Xvfb", "Xvfb", wanted.c_str(), "-displayfd", "3", "-screen", "0", screen.c_str(), "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        if (pid_ < 0) {
            close(pipeFds[0]);
            return;
        }
        std::string number;
        pollfd waitFor{pipeFds[0], POLLIN, 0};
        char c;
        while (poll(&waitFor, 1, 10000) > 0 && read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
        close(pipeFds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
        } else {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

}  // namespace korv::test
