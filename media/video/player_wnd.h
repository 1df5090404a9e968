#pragma once
// The no-wait video player: a child surface of the screen-saver window that
// shows a video at its source size with its top-left corner at a given point
// and plays it while the scene goes on, in repeat mode until stopped. Every
// step is written to the file log.

#include <memory>
#include <mutex>
#include <string>

#include "media/media_host.h"
#include "media/video/video_playback.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/video_file.h"

namespace korv {

// The commands the player's window answers, with what each carries.
enum PlayerCommandId : int { PlayerOpen = 100, PlayerPlay = 110, PlayerStop = 120, PlayerClose = 130, PlayerPosition = 140 };
struct PlayerCommand {
    int id = 0;
    std::string fileName;  // PlayerOpen
    bool once = false;     // PlayerPlay
    Point position;        // PlayerPosition
};

class CPlayerWnd {
public:
    // Pictures are paced by `clock`'s tick count.
    CPlayerWnd(MediaHost& host, platform::Clock& clock);
    ~CPlayerWnd();
    CPlayerWnd(const CPlayerWnd&) = delete;
    CPlayerWnd& operator=(const CPlayerWnd&) = delete;

    // Hides the pointer and creates the (empty, hidden) child surface;
    // false when the window cannot have one.
    bool Create();
    // Opens `name` when the child exists.
    void OpenFile(const std::string& name);
    // Shows the video with its top-left corner at (x, y) and plays it
    // (repeating unless `once`), when the child exists.
    void PlayAt(bool once, int x, int y);
    // Stop and Close, after logging whether the child exists.
    bool SafeStop();
    bool SafeClose();
    // The window's end: stops the playback and destroys the child.
    void CloseWindow();

    const std::string& FileName() const { return fileName_; }

    // A command sent to the player's window ("CPlayerWnd: OnCommand"); false
    // for an id it does not know.
    bool OnCommand(const PlayerCommand& command);

    // The operations the ones above are made of; false on failure (logged
    // through ErrorHandler).
    bool Open();
    bool Play(bool once);
    bool ShowAtPos(int x, int y);
    bool GetAVISize();
    bool Stop();
    bool Close();
    void ErrorHandler(int code);

private:
    // The child surface at `bounds`, as visible as before (a child cannot
    // move, so a new one replaces it).
    void MoveChild(Rect bounds);
    void LogWhetherWindow();

    MediaHost& host_;
    platform::Clock& clock_;
    std::recursive_mutex mutex_;
    std::unique_ptr<platform::ChildWindow> child_;
    std::unique_ptr<platform::VideoFile> video_;
    std::unique_ptr<VideoPlayback> playback_;
    std::string fileName_;
    int aviWidth_ = 0;
    int aviHeight_ = 0;
    int posX_ = 0;
    int posY_ = 0;
};

}  // namespace korv
