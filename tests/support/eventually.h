#pragma once
// Polls a condition in real time, for tests of work that other threads do.

#include <chrono>
#include <functional>
#include <thread>

namespace korv::test {

// Whether `done` holds within `limit`, asking every couple of milliseconds.
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

}  // namespace korv::test
