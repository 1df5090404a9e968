#include "scenario/scene_html.h"

#include <algorithm>
#include <utility>

#include "platform/painter.h"
#include "scenario/scene_context.h"

namespace korv {

namespace {

constexpr uint32_t kViewPauseMs = 100;

}  // namespace

SceneHtml::~SceneHtml() {
    Close();
    std::vector<std::shared_ptr<CHtmlThread>> ending;
    {
        std::lock_guard lock(mutex_);
        ending.swap(ending_);
    }
    // Each destructor joins its thread, which is already on its way out.
    ending.clear();
}

void SceneHtml::SaveBackground(SceneWindow& window, Rect area) {
    Size client = window.ClientSize();
    Rect clipped = area.Intersect(Rect{0, 0, client.width, client.height});
    std::optional<platform::Surface> saved;
    if (clipped.Width() > 0 && clipped.Height() > 0)
        window.Draw([&](platform::Surface& surface) { saved = platform::CopyRect(surface, clipped); });
    std::lock_guard lock(mutex_);
    background_ = std::move(saved);
    backgroundArea_ = clipped;
}

void SceneHtml::RestoreBackground(SceneWindow& window) {
    std::optional<platform::Surface> saved;
    Rect area;
    {
        std::lock_guard lock(mutex_);
        saved = std::exchange(background_, std::nullopt);
        area = backgroundArea_;
    }
    if (!saved) return;
    window.Draw([&](platform::Surface& surface) {
        platform::Painter(surface).Copy({area.left, area.top}, *saved, saved->Bounds());
    });
}

void SceneHtml::StopView(SceneContext& scene) {
    std::shared_ptr<CHtmlThread> view;
    {
        std::lock_guard lock(mutex_);
        view = view_;
    }
    if (!view) return;
    // What the view showed stays on the screen where it was.
    if (std::optional<platform::Surface> last = view->LastFrame()) {
        Rect area = view->Bounds();
        scene.Window().Draw([&](platform::Surface& surface) {
            platform::Painter(surface).Copy({area.left, area.top}, *last, last->Bounds());
        });
    }
    scene.Sleep(kViewPauseMs);
    {
        std::lock_guard lock(mutex_);
        // The saver's end may have closed it meanwhile.
        if (view_ != view) view.reset();
        view_.reset();
    }
    if (view) Retire(std::move(view));
    scene.Sleep(kViewPauseMs);
}

void SceneHtml::StartView(SceneContext& scene, Rect area, const std::string& url, const std::string& ownedFile) {
    auto view = std::make_shared<CHtmlThread>(&scene.Window(), url, area, scene.HasExitButtonBar(), ownedFile);
    std::shared_ptr<CHtmlThread> replaced;
    {
        std::lock_guard lock(mutex_);
        replaced = std::exchange(view_, view);
    }
    if (replaced) Retire(std::move(replaced));
    if (!view->CreateThread(true)) return;
    view->SetPriorityNormal();
    view->Resume();
}

void SceneHtml::Close() {
    std::shared_ptr<CHtmlThread> view;
    {
        std::lock_guard lock(mutex_);
        view = std::move(view_);
    }
    if (view) Retire(std::move(view));
}

bool SceneHtml::ViewRunning() const {
    std::lock_guard lock(mutex_);
    return view_ != nullptr;
}

std::optional<Rect> SceneHtml::SavedArea() const {
    std::lock_guard lock(mutex_);
    if (!background_) return std::nullopt;
    return backgroundArea_;
}

void SceneHtml::Retire(std::shared_ptr<CHtmlThread> view) {
    view->Kill();
    std::vector<std::shared_ptr<CHtmlThread>> ended;
    std::lock_guard lock(mutex_);
    ending_.push_back(std::move(view));
    auto firstEnded = std::stable_partition(ending_.begin(), ending_.end(),
                                            [](const auto& thread) { return !thread->HasEnded(); });
    ended.assign(std::make_move_iterator(firstEnded), std::make_move_iterator(ending_.end()));
    ending_.erase(firstEnded, ending_.end());
    // `ended` goes after the lock: their destructors only join ended threads.
}

}  // namespace korv
