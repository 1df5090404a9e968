#include "scenario/scene_html.h"

#include <utility>

#include "platform/painter.h"
#include "scenario/scene_context.h"

namespace korv {

namespace {

constexpr uint32_t kViewPauseMs = 100;

void PutPicture(SceneWindow& window, const platform::Surface& picture, Rect area) {
    if (picture.Empty()) return;
    window.Draw([&](platform::Surface& surface) {
        platform::Painter(surface).Copy({area.left, area.top}, picture, picture.Bounds());
    });
}

}  // namespace

SceneHtml::~SceneHtml() {
    std::lock_guard lock(mutex_);
    if (view_) RetireView();
    // Each destructor joins its thread, which is already on its way out.
    ending_.clear();
}

void SceneHtml::SaveBackground(SceneWindow& window, Rect area) {
    Size client = window.ClientSize();
    Rect clipped = area.Intersect(Rect{0, 0, client.width, client.height});
    platform::Surface saved;
    if (clipped.Width() > 0 && clipped.Height() > 0)
        window.Draw([&](platform::Surface& surface) { saved = platform::CopyRect(surface, clipped); });
    std::lock_guard lock(mutex_);
    background_ = std::move(saved);
    backgroundArea_ = clipped;
}

void SceneHtml::RestoreBackground(SceneWindow& window) {
    platform::Surface saved;
    Rect area;
    {
        std::lock_guard lock(mutex_);
        saved = std::exchange(background_, platform::Surface{});
        area = backgroundArea_;
    }
    PutPicture(window, saved, area);
}

void SceneHtml::StopView(SceneContext& scene) {
    platform::Surface last;
    Rect area;
    {
        std::lock_guard lock(mutex_);
        if (!view_) return;
        last = view_->LastFrame();
        area = view_->Bounds();
    }
    // What the view showed stays on the screen where it was.
    PutPicture(scene.Window(), last, area);
    scene.Sleep(kViewPauseMs);
    Close();
    scene.Sleep(kViewPauseMs);
}

void SceneHtml::StartView(SceneContext& scene, Rect area, const std::string& url, const std::string& ownedFile) {
    auto view = std::make_unique<CHtmlThread>(&scene.Window(), url, area, scene.HasExitButtonBar(), ownedFile);
    if (view->CreateThread(true)) {
        view->SetPriorityNormal();
        view->Resume();
    }
    std::lock_guard lock(mutex_);
    if (view_) RetireView();
    view_ = std::move(view);
}

void SceneHtml::Close() {
    std::lock_guard lock(mutex_);
    if (view_) RetireView();
}

bool SceneHtml::ViewRunning() const {
    std::lock_guard lock(mutex_);
    return view_ != nullptr;
}

std::optional<Rect> SceneHtml::SavedArea() const {
    std::lock_guard lock(mutex_);
    if (background_.Empty()) return std::nullopt;
    return backgroundArea_;
}

void SceneHtml::RetireView() {
    view_->Kill();
    ending_.push_back(std::move(view_));
    std::erase_if(ending_, [](const std::unique_ptr<CHtmlThread>& thread) { return thread->HasEnded(); });
}

}  // namespace korv
