#include "shell/preview_window.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/font.h"
#include "platform/painter.h"
#include "platform/text_drawing.h"
#include "resources/preview_bitmap.h"

namespace korv {

namespace {

constexpr int kBitmapShownWidth = 97;
constexpr int kBitmapShownHeight = 112;
constexpr uint32_t kStepMs = 20;

}  // namespace

// Scrolls the name upward, one character per line, until stopped.
class PreviewWindow::ScrollThread : public platform::Thread {
public:
    ScrollThread(platform::Window& window, std::string name) : window_(window), name_(std::move(name)) {}
    void Stop() {
        stop_.Set();
        if (IsCreated()) {
            Resume();
            finished_.Wait(platform::kInfinite);
            Join();
        }
    }

protected:
    bool InitInstance() override {
        platform::Surface column = RenderColumn();
        Rect client = window_.Bounds();
        int left = kBitmapShownWidth + (client.Width() - column.Width() - kBitmapShownWidth) / 2;
        int y = client.Height();
        platform::Clock& clock = platform::SystemClock();
        while (!stop_.IsSet()) {
            window_.Draw([&](platform::Surface& surface) {
                platform::Painter(surface).Copy({left, y}, column, column.Bounds());
            });
            --y;
            if (y + column.Height() <= 0) {
                y = client.Height();  // starts again at the bottom without a pause
                continue;
            }
            if (clock.WaitFor(stop_, kStepMs)) break;
        }
        return false;
    }
    int ExitInstance() override {
        finished_.Set();
        return 0;
    }

private:
    // The name in a column, one centred character per line, on black, with
    // one black row below that wipes the previous position as it moves up.
    platform::Surface RenderColumn() const {
        auto font = platform::Font::Create({-11, 0, 0, 0, 700, false, false, false, 0, 0, 0, 0, 0, "Arial"});
        int widest = 1;
        for (char c : name_) widest = std::max(widest, platform::TextWidth8(*font, std::string(1, c)));
        int lineHeight = font->Height();
        platform::Surface column(2 * widest, static_cast<int>(name_.size()) * lineHeight + 1);
        for (size_t i = 0; i < name_.size(); ++i) {
            Rect line = Rect::FromSize(0, static_cast<int>(i) * lineHeight, column.Width(), lineHeight);
            platform::DrawText(column, *font, std::string(1, name_[i]), line, platform::TextFormat::Centre,
                               platform::Rgb(220, 255, 255), platform::Rgb(0, 0, 0),
                               platform::BackgroundMode::Transparent);
        }
        return column;
    }

    platform::Window& window_;
    std::string name_;
    platform::Event stop_;
    platform::Event finished_;
};

PreviewWindow::PreviewWindow(std::string appName) : appName_(std::move(appName)) {}

PreviewWindow::~PreviewWindow() { Destroy(); }

bool PreviewWindow::Create(platform::Display& display, uintptr_t parent) {
    display_ = &display;
    window_ = display.CreateEmbeddedWindow(parent, this);
    if (!window_) return false;
    platform::Surface picture = PreviewBitmap();
    window_->Draw([&](platform::Surface& surface) {
        platform::Painter painter(surface);
        painter.Fill(surface.Bounds(), platform::Rgb(0, 0, 0));
        painter.StretchCopy({0, 0, kBitmapShownWidth, kBitmapShownHeight}, picture, picture.Bounds());
    });
    thread_ = std::make_unique<ScrollThread>(*window_, appName_);
    if (!thread_->CreateThread(true)) return false;
    thread_->SetPriorityNormal();
    thread_->Resume();
    return true;
}

void PreviewWindow::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (thread_) thread_->Stop();
    thread_.reset();
    if (display_) display_->Loop().Quit(0);
}

}  // namespace korv
