// Termination requests on POSIX systems: SIGTERM and SIGINT are blocked in
// every thread (the mask is inherited, so main() blocks them before any other
// thread starts) and taken with sigwait by a thread of our own. Nothing runs
// inside a signal handler, so the reaction may lock, allocate and call into
// the event loop.

#include "platform/process_end.h"

#include <errno.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace korv::platform {

namespace {

struct WatchState {
    std::mutex mutex;
    std::condition_variable requestCame;
    std::function<void()> waker;    // guarded by mutex
    std::function<void()> cleanUp;  // guarded by mutex
};

// Never destroyed: the watching thread may still wait while main() returns.
WatchState& State() {
    static WatchState* state = new WatchState;
    return *state;
}

std::atomic<bool> requested{false};

void WatchSignals(sigset_t signals, uint32_t graceMs) {
    int first = 0;
    while (sigwait(&signals, &first) != 0) {
    }
    WatchState& state = State();
    {
        std::lock_guard lock(state.mutex);
        requested = true;
        state.requestCame.notify_all();
        if (state.waker) state.waker();
    }
    // The normal end has until the grace time is over, unless the request
    // is repeated.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        timespec timeout{static_cast<time_t>(left.count() / 1000000000), static_cast<long>(left.count() % 1000000000)};
        siginfo_t info;
        if (sigtimedwait(&signals, &info, &timeout) >= 0) break;
        if (errno != EINTR) break;
    }
    {
        std::lock_guard lock(state.mutex);
        if (state.cleanUp) state.cleanUp();
    }
    EndProcessNow(128 + first);
}

}  // namespace

void WatchTerminationRequests(uint32_t graceMs) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(WatchSignals, signals, graceMs).detach();
}

bool TerminationRequested() { return requested; }

bool WaitForTerminationRequest(uint32_t timeoutMs) {
    WatchState& state = State();
    std::unique_lock lock(state.mutex);
    return state.requestCame.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return requested.load(); });
}

void SetTerminationWaker(std::function<void()> waker) {
    WatchState& state = State();
    std::lock_guard lock(state.mutex);
    state.waker = std::move(waker);
}

void SetLastResortCleanUp(std::function<void()> cleanUp) {
    WatchState& state = State();
    std::lock_guard lock(state.mutex);
    state.cleanUp = std::move(cleanUp);
}

void EndProcessNow(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}

}  // namespace korv::platform
