#pragma once
// The scene's HTML view: the view's thread while it runs, and the part of
// the window that a SHOWHTML covered, saved so that a HIDEHTML can put it
// back. The scene thread shows and hides; the window's thread closes the
// view when the saver ends. Views still ending after a kill are kept until
// their threads have ended; nothing waits for them meanwhile.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "media/html/html_thread.h"
#include "platform/surface.h"

namespace korv {

class SceneContext;
class SceneWindow;

class SceneHtml {
public:
    SceneHtml() = default;
    // Closes the view and waits for every view's thread to end.
    ~SceneHtml();
    SceneHtml(const SceneHtml&) = delete;
    SceneHtml& operator=(const SceneHtml&) = delete;

    // Drops the saved background and saves the window's `area` (clipped to
    // its client surface) in its place.
    void SaveBackground(SceneWindow& window, Rect area);
    // Puts the saved background back where it was and drops it; nothing
    // when none is saved.
    void RestoreBackground(SceneWindow& window);
    // When a view runs: leaves its last picture in the window at its place,
    // pauses 100 ms, kills it and pauses 100 ms again.
    void StopView(SceneContext& scene);
    // Starts a view of `url` at `area` of the scene's window; it owns
    // `ownedFile` (may be empty).
    void StartView(SceneContext& scene, Rect area, const std::string& url, const std::string& ownedFile);
    // The scene's end or the saver's end: kills the running view.
    void Close();

    bool ViewRunning() const;
    // The area of the saved background; nothing when none is saved.
    std::optional<Rect> SavedArea() const;

private:
    // Kills the running view and keeps it until its thread has ended; ended
    // ones go. Under the lock.
    void RetireView();

    mutable std::mutex mutex_;
    std::unique_ptr<CHtmlThread> view_;
    std::vector<std::unique_ptr<CHtmlThread>> ending_;
    platform::Surface background_;  // empty when none is saved
    Rect backgroundArea_;
};

}  // namespace korv
