#include "media/window_task_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace korv {

namespace {

class WindowTaskThread {
public:
    ~WindowTaskThread() {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void Post(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        if (ending_) return;
        tasks_.push_back(std::move(task));
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        wake_.notify_one();
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
            if (ending_) return;
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace

void PostToWindowTaskThread(std::function<void()> task) {
    static WindowTaskThread thread;
    thread.Post(std::move(task));
}

}  // namespace korv
