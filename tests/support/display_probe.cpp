#include "tests/support/display_probe.h"

#include <algorithm>
#include <ctime>

namespace korv::test {

namespace {

using platform::MouseButton;

std::string PointText(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

std::string ButtonText(MouseButton button) {
    switch (button) {
    case MouseButton::Left: return "L";
    case MouseButton::Middle: return "M";
    case MouseButton::Right: return "R";
    }
    return "?";
}

}  // namespace

void Recorder::OnMouseMove(Point client) { Add("move " + PointText(client)); }

void Recorder::OnButtonDown(MouseButton button, Point client) {
    Add("down " + ButtonText(button) + " " + PointText(client));
}

void Recorder::OnDoubleClick(MouseButton button, Point client) {
    Add("dbl " + ButtonText(button) + " " + PointText(client));
}

void Recorder::OnKeyDown(int vk) { Add("key " + std::to_string(vk)); }

void Recorder::OnSystemKeyDown(int vk) { Add("syskey " + std::to_string(vk)); }

void Recorder::OnCloseRequest() { Add("close"); }

void Recorder::OnTimer(uint32_t id) { Add("timer " + std::to_string(id)); }

void Recorder::OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    Add("msg " + std::to_string(id) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
}

std::vector<std::string> Recorder::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

bool Recorder::Heard(const std::string& event) const {
    std::lock_guard lock(mutex_);
    return std::find(events_.begin(), events_.end(), event) != events_.end();
}

bool Recorder::HeardPrefix(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    for (const auto& e : events_) {
        if (e.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

std::vector<std::string> Recorder::Only(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& e : events_) {
        if (e.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
}

void Recorder::Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

void Recorder::Add(const std::string& event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    if (then) then(event);
}

bool RunUntil(platform::EventLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    class Poller : public platform::WindowHandler {
    public:
        Poller(platform::EventLoop& loop, const std::function<bool()>& done,
               std::chrono::steady_clock::time_point deadline)
            : loop_(loop), done_(done), deadline_(deadline) {}
        void OnTimer(uint32_t) override {
            if (done_() || std::chrono::steady_clock::now() >= deadline_) loop_.Quit(0);
        }

    private:
        platform::EventLoop& loop_;
        const std::function<bool()>& done_;
        std::chrono::steady_clock::time_point deadline_;
    } poller(loop, done, std::chrono::steady_clock::now() + limit);
    loop.SetTimer(&poller, 1, 20);
    loop.Run();
    loop.Forget(&poller);
    return done();
}

double ProcessCpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace korv::test
