#pragma once
// A media host for tests: posted tasks run in order on a worker thread of
// its own, as on the screen-saver window's thread. Tasks can be held back
// to test ones that run late; those not run when the host ends are dropped.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "media/media_host.h"

namespace korv::test {

class WorkerMediaHost final : public MediaHost {
public:
    WorkerMediaHost();
    ~WorkerMediaHost() override;
    WorkerMediaHost(const WorkerMediaHost&) = delete;
    WorkerMediaHost& operator=(const WorkerMediaHost&) = delete;

    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect, platform::WindowHandler* = nullptr) override {
        return nullptr;
    }
    void PostToWindowThread(std::function<void()> task) override;

    // While held, posted tasks wait; Release lets them run.
    void Hold();
    void Release();
    // Waits until every task posted so far has run (a held host never gets
    // there); false when `timeoutMs` passed first.
    bool WaitIdle(uint32_t timeoutMs);
    // Waits until at least `count` tasks have been posted in all.
    bool WaitPosted(int count, uint32_t timeoutMs);
    int Posted() const;
    int Ran() const;

private:
    void Work();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    int posted_ = 0;
    int ran_ = 0;
    bool running_ = false;
    bool held_ = false;
    bool ending_ = false;
    std::thread worker_;
};

}  // namespace korv::test
