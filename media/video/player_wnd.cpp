#include "media/video/player_wnd.h"

#include "media/video/mci_error.h"
#include "saver/log.h"

namespace korv {

CPlayerWnd::CPlayerWnd(MediaHost& host, platform::Clock& clock) : host_(host), clock_(clock) {}

CPlayerWnd::~CPlayerWnd() {
    std::lock_guard lock(mutex_);
    playback_.reset();
    child_.reset();
}

bool CPlayerWnd::Create() {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: Create");
    host_.HidePointer();
    child_ = host_.CreateMediaChild(Rect{0, 0, 0, 0});
    FileLog(child_ ? "CPlayerWnd: Created" : "CPlayerWnd: Failed to create");
    if (child_) FileLog("Window OK");
    return child_ != nullptr;
}

void CPlayerWnd::OpenFile(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (!child_) {
        FileLog("CPlayerWnd: This is not a window!");
        return;
    }
    fileName_ = name;
    Open();
}

bool CPlayerWnd::Open() {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: Open");
    playback_.reset();
    video_.reset();
    platform::VideoOpenResult opened = platform::OpenVideoFile(fileName_);
    if (!opened.file) {
        ErrorHandler(MciErrorCode(opened.error));
        return false;
    }
    video_ = std::move(opened.file);
    // No pointer over the video.
    host_.HidePointer();
    return true;
}

void CPlayerWnd::PlayAt(bool once, int x, int y) {
    std::lock_guard lock(mutex_);
    if (!child_) {
        FileLog("CPlayerWnd: This is not a window!");
        return;
    }
    posX_ = x;
    posY_ = y;
    Play(once);
}

bool CPlayerWnd::Play(bool once) {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: Play");
    playback_.reset();
    ShowAtPos(posX_, posY_);
    if (child_) child_->SetVisible(true);
    if (!video_ || !child_) {
        ErrorHandler(kMciErrorInvalidDeviceId);
        return false;
    }
    if (!video_->Rewind()) {
        ErrorHandler(kMciErrorInvalidFile);
        return false;
    }
    playback_ = std::make_unique<VideoPlayback>(*video_, *child_, clock_, !once);
    return true;
}

bool CPlayerWnd::ShowAtPos(int x, int y) {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: ShowAtPos");
    GetAVISize();
    MoveChild(Rect{x, y, x + aviWidth_, y + aviHeight_});
    return true;
}

bool CPlayerWnd::GetAVISize() {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: GetAVISize");
    if (!video_) {
        ErrorHandler(kMciErrorInvalidDeviceId);
        return false;
    }
    aviWidth_ = video_->Width();
    aviHeight_ = video_->Height();
    MoveChild(Rect{0, 0, aviWidth_, aviHeight_});
    return true;
}

bool CPlayerWnd::Stop() {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: Stop");
    if (!video_) {
        ErrorHandler(kMciErrorInvalidDeviceId);
        return false;
    }
    playback_.reset();
    return true;
}

bool CPlayerWnd::Close() {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: Close");
    if (!video_) {
        ErrorHandler(kMciErrorInvalidDeviceId);
        return false;
    }
    playback_.reset();
    video_.reset();
    if (child_) child_->SetVisible(false);
    return true;
}

bool CPlayerWnd::SafeStop() {
    std::lock_guard lock(mutex_);
    LogWhetherWindow();
    return Stop();
}

bool CPlayerWnd::SafeClose() {
    std::lock_guard lock(mutex_);
    LogWhetherWindow();
    return Close();
}

void CPlayerWnd::CloseWindow() {
    std::lock_guard lock(mutex_);
    if (!child_) return;
    playback_.reset();
    FileLog("CPlayerWnd: Destroy");
    child_.reset();
}

bool CPlayerWnd::OnCommand(const PlayerCommand& command) {
    std::lock_guard lock(mutex_);
    FileLog("CPlayerWnd: OnCommand");
    switch (command.id) {
    case PlayerOpen:
        fileName_ = command.fileName;
        Open();
        return true;
    case PlayerPlay:
        Play(command.once);
        return true;
    case PlayerStop:
        Stop();
        return true;
    case PlayerClose:
        Close();
        return true;
    case PlayerPosition:
        posX_ = command.position.x;
        posY_ = command.position.y;
        return true;
    default:
        return false;
    }
}

void CPlayerWnd::ErrorHandler(int code) { FileLogFormat("CPlayerWnd: ErrorHandler %d", code); }

void CPlayerWnd::MoveChild(Rect bounds) {
    if (!child_ || child_->Bounds() == bounds) return;
    playback_.reset();
    bool visible = child_->Visible();
    std::unique_ptr<platform::ChildWindow> moved = host_.CreateMediaChild(bounds);
    if (!moved) return;
    moved->SetVisible(visible);
    child_ = std::move(moved);
}

void CPlayerWnd::LogWhetherWindow() { FileLog(child_ ? "Window OK" : "Not window!"); }

}  // namespace korv
