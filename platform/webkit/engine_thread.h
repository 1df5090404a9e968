#pragma once
// The thread that owns GTK and WebKit: it initialises GTK on an X display,
// runs the GTK main loop, and runs the tasks other threads post to it.
// GTK and WebKit are called only from this thread.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace korv::platform::webkit {

class EngineThread {
public:
    // Runs on the new thread once GTK is initialised; returns a reason when
    // the engine cannot run after all (the thread then ends).
    using Setup = std::function<std::string()>;

    // Starts the thread and waits up to `timeout` for `setup` to finish.
    // Empty when the loop runs; otherwise why not.
    std::string Start(Setup setup, std::chrono::milliseconds timeout);
    // Runs `task` on the engine's thread (never on the caller's). Tasks run
    // in the order they were posted; after Stop they are dropped.
    static void Post(std::function<void()> task);
    // Ends the loop and waits up to `timeout` for it to end. The thread is
    // then left parked (or, past the timeout, to itself) until the process
    // ends.
    void Stop(std::chrono::milliseconds timeout);

private:
    void Run(Setup setup);
    void Finish(std::string answer);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool answered_ = false;
    bool ended_ = false;
    std::string answer_;
    std::thread thread_;
};

// Why the engine cannot run in this process before its thread is started
// (no X display, no EGL driver); empty when it may.
std::string CheckEngineNeeds();

}  // namespace korv::platform::webkit
