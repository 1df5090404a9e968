#include "tests/support/detached_xvfb.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/test_environment.h"

namespace korv::test {

const std::string& DetachedXvfbDisplay() {
    static const std::string display = [] {
        const std::string number = std::to_string(20000 + ::getpid() % 30000);
        const std::string ready = "/tmp/korv-detached-xvfb-" + number + ".ready";
        std::remove(ready.c_str());
        // A shell in a session of its own starts the server and ends it once
        // this process is gone.
        const std::string command = "setsid sh -c 'Xvfb :" + number +
                                    " -screen 0 1024x768x24 -nolisten tcp -displayfd 3 3>" + ready +
                                    " >/dev/null 2>&1 & while kill -0 " + std::to_string(::getpid()) +
                                    " 2>/dev/null; do sleep 1; done; kill $!' >/dev/null 2>&1 &";
        if (std::system(command.c_str()) != 0) return std::string();
        for (int i = 0; i < 200; ++i) {
            if (!ReadFileBytes(ready).empty()) {
                std::remove(ready.c_str());
                return ":" + number;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::string();
    }();
    return display;
}

}  // namespace korv::test
