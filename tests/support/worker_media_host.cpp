#include "tests/support/worker_media_host.h"

#include <chrono>

namespace korv::test {

WorkerMediaHost::WorkerMediaHost() : worker_([this] { Work(); }) {}

WorkerMediaHost::~WorkerMediaHost() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void WorkerMediaHost::PostToWindowThread(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        if (ending_) return;
        tasks_.push_back(std::move(task));
        ++posted_;
    }
    changed_.notify_all();
}

void WorkerMediaHost::Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void WorkerMediaHost::Release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

bool WorkerMediaHost::WaitIdle(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return tasks_.empty() && !running_; });
}

bool WorkerMediaHost::WaitPosted(int count, uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return posted_ >= count; });
}

int WorkerMediaHost::Posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

int WorkerMediaHost::Ran() const {
    std::lock_guard lock(mutex_);
    return ran_;
}

void WorkerMediaHost::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || (!held_ && !tasks_.empty()); });
        if (ending_) return;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = true;
        lock.unlock();
        task();
        task = nullptr;  // what the task holds is released on this thread
        lock.lock();
        running_ = false;
        ++ran_;
        changed_.notify_all();
    }
}

}  // namespace korv::test
