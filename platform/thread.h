#pragma once
// Threads with the application framework's life cycle: a thread object is
// created suspended; once resumed, `InitInstance` runs on the new thread. When
// it returns false the thread runs no message loop; otherwise `Run` runs (by
// default a message loop until a quit message). `ExitInstance` runs last, on
// the same thread, and gives the exit code.
//
// The owner keeps the object alive until the thread has ended (`Join` or
// `WaitForEnd`). A derived class must stop its thread (e.g. PostQuit + Join)
// before its own destructor finishes: the base destructor only joins a thread
// that is still running, and by then the derived overrides are gone. A thread
// that was created but never resumed is released by the destructor and ends
// without calling InitInstance, Run or ExitInstance.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/event.h"

namespace korv::platform {

struct ThreadMessage {
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

inline constexpr uint32_t kQuitMessage = 0x0012;  // the framework's quit message id

class Thread {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Creates the thread. When `suspended` it does not run until Resume().
    // Returns false when the thread could not be created (or already was).
    bool CreateThread(bool suspended = true);
    void Resume();
    // Thread priorities are advisory on this platform; normal is the default.
    void SetPriorityNormal() {}

    // Queues a message for the thread's message loop. Returns false once the
    // thread has ended.
    bool PostMessage(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool PostQuit(int exitCode = 0) { return PostMessage(kQuitMessage, static_cast<uintptr_t>(exitCode)); }

    // Waits for the thread to end; true when it ended within the time.
    bool WaitForEnd(uint32_t timeoutMs) const;
    void Join();

    bool IsCreated() const { return created_; }
    bool HasEnded() const { return ended_.IsSet(); }
    std::optional<int> ExitCode() const;

protected:
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return exitCode_; }
    // The message loop: takes messages until the quit message and hands each
    // other one to OnMessage. Returns the quit message's exit code.
    virtual int Run();
    virtual void OnMessage(const ThreadMessage& message) {}

    // Blocks until a message arrives; false for the quit message.
    bool GetMessage(ThreadMessage& message);
    // Takes a waiting message without blocking.
    bool PeekMessage(ThreadMessage& message);

    int exitCode_ = 0;

private:
    void Main();

    std::thread thread_;
    std::mutex joinMutex_;
    bool created_ = false;
    // Raised by the destructor for a thread that was never resumed: it then
    // ends without running any of the (by then destroyed) overrides.
    std::atomic<bool> cancelled_{false};
    Event resume_;
    Event ended_;
    mutable std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::deque<ThreadMessage> queue_;
    bool acceptingMessages_ = true;
    std::optional<int> finalExitCode_;
};

}  // namespace korv::platform
