#include "platform/thread.h"

#include <system_error>

namespace korv::platform {

Thread::Thread() = default;

Thread::~Thread() {
    // A thread still held at the resume gate is let go with the cancel flag
    // raised, so it ends without calling overrides of an object that is
    // already half destroyed.
    if (created_ && !resume_.IsSet()) {
        cancelled_ = true;
        resume_.Set();
    }
    Join();
}

bool Thread::CreateThread(bool suspended) {
    if (created_) return false;
    try {
        thread_ = std::thread(&Thread::Main, this);
    } catch (const std::system_error&) {
        return false;
    }
    created_ = true;
    if (!suspended) resume_.Set();
    return true;
}

void Thread::Resume() {
    resume_.Set();
}

bool Thread::PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard lock(queueMutex_);
        if (!acceptingMessages_) return false;
        queue_.push_back(ThreadMessage{id, wParam, lParam});
    }
    queueCv_.notify_one();
    return true;
}

bool Thread::WaitForEnd(uint32_t timeoutMs) const {
    return ended_.Wait(timeoutMs);
}

void Thread::Join() {
    std::lock_guard lock(joinMutex_);
    // Joining from the thread itself would deadlock; its owner joins it later.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

std::optional<int> Thread::ExitCode() const {
    std::lock_guard lock(queueMutex_);
    return finalExitCode_;
}

int Thread::Run() {
    ThreadMessage message;
    while (GetMessage(message)) OnMessage(message);
    return static_cast<int>(message.wParam);
}

bool Thread::GetMessage(ThreadMessage& message) {
    std::unique_lock lock(queueMutex_);
    queueCv_.wait(lock, [&] { return !queue_.empty(); });
    message = queue_.front();
    queue_.pop_front();
    return message.id != kQuitMessage;
}

bool Thread::PeekMessage(ThreadMessage& message) {
    std::lock_guard lock(queueMutex_);
    if (queue_.empty()) return false;
    message = queue_.front();
    queue_.pop_front();
    return true;
}

void Thread::Main() {
    resume_.Wait(kInfinite);

    int exitCode = exitCode_;
    if (!cancelled_) {
        if (InitInstance()) exitCode_ = Run();
        exitCode = ExitInstance();
    }

    {
        std::lock_guard lock(queueMutex_);
        acceptingMessages_ = false;
        queue_.clear();
        finalExitCode_ = exitCode;
    }
    ended_.Set();
}

}  // namespace korv::platform
