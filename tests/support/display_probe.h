#pragma once
// Listening to a display in tests: a window handler that writes down what it
// hears, and running an event loop until something holds.

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/display.h"

namespace korv::test {

// Writes down what it hears, as short lines such as "down L 3,4".
class Recorder : public platform::WindowHandler {
public:
    void OnMouseMove(Point client) override;
    void OnButtonDown(platform::MouseButton button, Point client) override;
    void OnDoubleClick(platform::MouseButton button, Point client) override;
    void OnKeyDown(int vk) override;
    void OnSystemKeyDown(int vk) override;
    void OnCloseRequest() override;
    void OnTimer(uint32_t id) override;
    void OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

    // Runs after every call, on the loop's thread.
    std::function<void(const std::string&)> then;

    std::vector<std::string> Events() const;
    bool Heard(const std::string& event) const;
    bool HeardPrefix(const std::string& prefix) const;
    // The events that start with `prefix`, in order.
    std::vector<std::string> Only(const std::string& prefix) const;
    void Clear();

private:
    void Add(const std::string& event);

    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

// Runs `loop` until `done` holds (looked at every 20 ms, on the loop's thread)
// or `limit` passes; returns whether it held.
bool RunUntil(platform::EventLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

// The processor time this process has used, in seconds.
double ProcessCpuSeconds();

}  // namespace korv::test
