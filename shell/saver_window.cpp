#include "shell/saver_window.h"

#include "platform/audio_output.h"
#include "platform/font.h"
#include "platform/message_box.h"
#include "platform/painter.h"
#include "platform/password_service.h"
#include "platform/screen_saver_state.h"
#include "platform/text_drawing.h"
#include "resources/string_table.h"
#include "saver/log.h"
#include "saver/program_file.h"
#include "shell/system_metrics.h"

namespace korv {

namespace {

// Posted to the window itself, so that requests made on other threads are
// carried out on the main thread.
enum WindowMessage : uint32_t { kPostedClose = 0x8001, kPostedShowExitBar = 0x8002, kPostedMediaTask = 0x8003 };

constexpr int kExitBarWidth = 80;
constexpr int kExitBarHeight = 20;
const char* const kDesktopKey = "Control Panel\\Desktop";

}  // namespace

// The bar with the "Exit" button of player type 3; a click closes the saver.
class SSWnd::ExitButtonBar : public platform::WindowHandler {
public:
    explicit ExitButtonBar(SSWnd& owner) : owner_(owner) {}
    void OnButtonDown(platform::MouseButton, Point) override { owner_.PostClose(); }
    std::unique_ptr<platform::ChildWindow> child;

private:
    SSWnd& owner_;
};

SSWnd::SSWnd(SaverWindowHost& host, SaverSettings& settings, SaverConfig config, bool downloadAtStart)
    : host_(host), settings_(settings), config_(std::move(config)), downloadAtStart_(downloadAtStart) {}

SSWnd::~SSWnd() {
    if (display_) display_->Loop().Forget(this);
    if (exitButtonBar_ && display_) display_->Loop().Forget(exitButtonBar_.get());
}

bool SSWnd::Create(platform::Display& display, Rect bounds) {
    display_ = &display;
    window_ = display.CreateTopWindow(bounds, this);
    if (!window_) return false;
    return Prepare(display, bounds.Width());
}

bool SSWnd::CreateInHostWindow(platform::Display& display, uintptr_t host) {
    display_ = &display;
    hosted_ = true;
    window_ = display.CreateEmbeddedWindow(host, this);
    if (!window_) return false;
    return Prepare(display, window_->Bounds().Width());
}

bool SSWnd::Prepare(platform::Display& display, int width) {
    if (!hosted_) {
        if (config_.playerType != PlayerClassicExitButton) {
            window_->SetCursorShape(platform::CursorShape::Blank);
            window_->SetCursorVisible(false);
        }
        window_->MoveCursor({0, 0});
    }
    host_.CalibrateSpeedForWindow();
    // The window answers input while the machine is measured: an exit input
    // may already have ended it.
    if (destroyed_) return false;
    platform::SetScreenSaverRunning(true);
    mute_ = settings_.ReadInt(Setting::Mute) != 0;
    // Every kind of medium plays through the one mixer: muting it silences all.
    platform::SystemAudio().SetMuted(mute_);

    if (config_.playerType == PlayerClassicExitButton && !hosted_) {
        exitButtonBar_ = std::make_unique<ExitButtonBar>(*this);
        Rect bar = Rect::FromSize(width - kExitBarWidth, 0, kExitBarWidth, kExitBarHeight);
        exitButtonBar_->child = window_->CreateChild(bar, exitButtonBar_.get());
        if (exitButtonBar_->child) {
            exitButtonBar_->child->Draw([this](platform::Surface& surface) { PaintExitButton(surface); });
            exitButtonBar_->child->SetVisible(false);
        }
    }
    if (config_.playerType == PlayerBuiltIn || config_.playerType == PlayerRemote)
        display.Loop().SetTimer(this, kUpdateTimerId, kUpdateTimerPeriodMs);
    return true;
}

void SSWnd::PaintExitButton(platform::Surface& surface) {
    platform::Painter painter(surface);
    painter.Fill(surface.Bounds(), platform::Rgb(212, 208, 200));
    painter.RaisedEdge(surface.Bounds());
    auto font = platform::Font::Create({-11, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"});
    Rect text = surface.Bounds();
    text.top = (surface.Height() - font->Height()) / 2;
    platform::DrawText(surface, *font, "Exit", text, platform::TextFormat::Centre, platform::Rgb(0, 0, 0),
                       platform::Rgb(212, 208, 200), platform::BackgroundMode::Transparent);
}

void SSWnd::Draw(const std::function<void(platform::Surface&)>& paint) {
    if (window_) window_->Draw(paint);
}

Size SSWnd::ClientSize() const {
    if (!window_) return {};
    Rect bounds = window_->Bounds();
    return {bounds.Width(), bounds.Height()};
}

void SSWnd::SetBackground(platform::Colour colour, uint32_t rasterOp) {
    background_ = platform::ColourToPixel(colour);
    rasterOp_ = rasterOp;
    Draw([colour](platform::Surface& surface) {
        platform::Painter(surface).Fill(surface.Bounds(), colour);
    });
}

void SSWnd::OnResized(Size previous) {
    const platform::Colour colour = GetBackground();
    Draw([colour, previous](platform::Surface& surface) {
        platform::Painter painter(surface);
        painter.Fill({previous.width, 0, surface.Width(), surface.Height()}, colour);
        painter.Fill({0, previous.height, surface.Width(), surface.Height()}, colour);
    });
}

void SSWnd::SetLink(const std::string& url, int32_t key) {
    std::lock_guard lock(linkMutex_);
    linkUrl_ = url;
    linkKey_ = key;
}

void SSWnd::ClearLink() {
    std::lock_guard lock(linkMutex_);
    linkUrl_.clear();
    linkKey_ = LinkNone;
}

void SSWnd::ShowExitButtonBar() {
    if (display_) display_->Loop().Post(this, kPostedShowExitBar);
}

void SSWnd::PostClose() {
    if (display_) display_->Loop().Post(this, kPostedClose);
}

void SSWnd::CloseForNewerFormat() {
    newerFormat_ = true;
    PostClose();
}

bool SSWnd::ApplyExitRule(ExitEvent event) {
    if (hosted_) return false;
    if (config_.playerType == PlayerClassicExitButton) {
        if (event != KeyDownEvent) return false;
        PostClose();
        return true;
    }
    static const Setting kSettingOf[] = {Setting::MouseMove, Setting::ButtonDown, Setting::DoubleClick,
                                         Setting::KeyDown};
    if (settings_.ReadInt(Setting::Standard) == 1 || settings_.ReadInt(kSettingOf[event]) == 1) {
        PostClose();
        return true;
    }
    return false;
}

void SSWnd::OnMouseMove(Point client) {
    // The first reported position is the origin; any later move away from it counts.
    if (mouseOrigin_ == Point{-1, -1}) {
        mouseOrigin_ = client;
        return;
    }
    if (client != mouseOrigin_) ApplyExitRule(MouseMoveEvent);
}

void SSWnd::OnButtonDown(platform::MouseButton, Point) { ApplyExitRule(ButtonDownEvent); }

void SSWnd::OnDoubleClick(platform::MouseButton, Point) { ApplyExitRule(DoubleClickEvent); }

void SSWnd::OnKeyDown(int vk) {
    if (hosted_) return;
    {
        std::lock_guard lock(linkMutex_);
        bool enter = vk == platform::VkReturn, f12 = vk == platform::VkF12, space = vk == platform::VkSpace;
        bool takesLink = (linkKey_ == LinkEnter && enter) || (linkKey_ == LinkF12 && f12) ||
                         (linkKey_ == LinkSpace && space) || (linkKey_ == LinkAnyOfThree && (enter || f12 || space));
        if (takesLink) host_.SetExitUrl(linkUrl_);
    }
    if (ApplyExitRule(KeyDownEvent)) return;
    if (vk == platform::VkEscape && settings_.ReadInt(Setting::Escape) == 1) PostClose();
}

void SSWnd::OnSystemKeyDown(int vk) {
    if (vk == platform::VkF4) return;  // Alt+F4 never closes the saver
    ApplyExitRule(KeyDownEvent);
}

bool SSWnd::PasswordVerified() {
    // Systems from Windows 2000 on check the password themselves.
    if (host_.OsVersion() > 3) return true;
    auto library = platform::LoadPasswordVerifyLibrary();
    if (!library) {
        platform::ShowMessageBox("Unable to load PASSWORD.CPL. Aborting");
        return false;
    }
    if (!library->verifyPassword) {
        platform::ShowMessageBox("Unable to get VerifyPwProc address. Aborting");
        return false;
    }
    return library->verifyPassword(window_ ? window_->NativeHandle() : 0);
}

void SSWnd::OnCloseRequest() {
    if (destroyed_) return;
    // The host's window went, or the host closes ours: the host guards the screen.
    if (hosted_) {
        Destroy();
        return;
    }
    platform::SettingsStore& store = settings_.Store();
    uint32_t usePassword = store.ReadNumber(kDesktopKey, "ScreenSaveUsePassword").value_or(0);
    if (usePassword == 0) {
        // Stored as text by some desktops: "1" or "0".
        if (auto text = store.ReadString(kDesktopKey, "ScreenSaveUsePassword")) usePassword = std::atoi(text->c_str());
    }
    window_->SetCursorShape(platform::CursorShape::Arrow);
    window_->SetCursorVisible(true);
    if (usePassword == 0 || PasswordVerified()) {
        Destroy();
        return;
    }
    mouseOrigin_ = window_->CursorPosition();
    window_->SetCursorShape(platform::CursorShape::Blank);
    window_->SetCursorVisible(false);
}

void SSWnd::RestartUpdateTimer() {
    if (display_) display_->Loop().SetTimer(this, kUpdateTimerId, kUpdateTimerPeriodMs);
}

void SSWnd::OnTimer(uint32_t id) {
    if (id == kUpdateTimerId) host_.OnUpdateTimer(*this);
}

std::unique_ptr<platform::ChildWindow> SSWnd::CreateMediaChild(Rect bounds, platform::WindowHandler* input) {
    if (!window_) return nullptr;
    auto child = window_->CreateChild(bounds, input);
    if (child) child->SetVisible(false);
    return child;
}

void SSWnd::PostToWindowThread(std::function<void()> task) {
    {
        std::lock_guard lock(mediaTaskMutex_);
        mediaTasks_.push_back(std::move(task));
    }
    if (display_) display_->Loop().Post(this, kPostedMediaTask);
}

void SSWnd::OnMessage(uint32_t id, uintptr_t, intptr_t) {
    if (id == kPostedMediaTask) {
        std::function<void()> task;
        {
            std::lock_guard lock(mediaTaskMutex_);
            if (mediaTasks_.empty()) return;
            task = std::move(mediaTasks_.front());
            mediaTasks_.pop_front();
        }
        // After the end, the players are gone or going: their news is dropped.
        if (!destroyed_) task();
        return;
    }
    if (id == kPostedClose) OnCloseRequest();
    if (id == kPostedShowExitBar && exitButtonBar_ && exitButtonBar_->child) exitButtonBar_->child->SetVisible(true);
}

void SSWnd::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // Every wait here is bounded: the saver ends promptly whatever runs.
    host_.EndSaverThreads();
    // Shown after the other boxes went: this one is left to the user.
    if (newerFormat_) platform::ShowMessageBox(LoadString(IDS_NEWER_FORMAT));
    AppLog("SSWnd destroyed");
    platform::SetScreenSaverRunning(false);
    if (display_) {
        display_->Loop().KillTimer(this, kUpdateTimerId);
        display_->Loop().Quit(0);
    }
}

}  // namespace korv
