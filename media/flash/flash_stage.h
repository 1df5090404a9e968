#pragma once
// The Flash player of the process: one page of the browser engine running
// the web player, kept between movies because starting it costs seconds.
// A play shows one movie in an area of the saver window: the page plays
// it in a view of the area's size, and the view's pictures are drawn into
// a child surface there. A new play takes the stage from the one before.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/flash/flash_player_page.h"
#include "media/media_host.h"
#include "platform/event.h"
#include "platform/web_engine.h"

namespace korv {

class FlashStage {
public:
    static FlashStage& Instance();

    // What a play hears, on the engine's thread; it must not block.
    class PlayListener {
    public:
        virtual ~PlayListener() = default;
        virtual void OnMovieLoaded(bool actionScript3, int frameCount, double frameRate) {}
        virtual void OnFrameReached(int frame) {}
        // The movie cannot report its frames and has played its length.
        virtual void OnMovieEnded() {}
        virtual void OnMovieFailed(const std::string& why) {}
    };

    // Starts the engine and the player page in the background, so that the
    // first movie starts quickly. Does nothing when the player runs or is
    // starting.
    void Prepare();
    // Waits until the player page runs, at most `timeoutMs` of real time
    // and no longer than `abort` stays clear. Empty when it runs; otherwise
    // why not.
    std::string WaitUntilReady(uint32_t timeoutMs, const platform::Event& abort);

    // Starts `movie` in `area` of `host`; the play's number (0 when the
    // player does not run). The child surface shows from the movie's
    // first picture on; with `takesClicks`, left clicks on it reach the
    // movie.
    // `options.muted` is the stage's own.
    uint64_t Play(std::vector<uint8_t> movie, MediaHost* host, Rect area, FlashPlayOptions options, bool takesClicks,
                  PlayListener* listener);
    // Stops the movie of play `play` and takes its pictures off the screen;
    // after it returns the listener hears nothing more. Nothing for a play
    // that is over.
    void Stop(uint64_t play);
    // Halts the movie of play `play` on the picture it shows.
    void Pause(uint64_t play);
    // Silences the player (the saver's Mute setting).
    void SetMuted(bool muted);

private:
    class PageListener;
    FlashStage() = default;
    void StartPage();
    void OnPageMessage(const std::string& text);
    void OnFrame(const platform::WebFrame& frame);
    void OnClick(Point point);

    std::mutex mutex_;
    std::condition_variable changed_;
    enum class State { Idle, Starting, Ready, Failed } state_ = State::Idle;
    std::string failure_;
    std::shared_ptr<PageListener> pageListener_;
    std::unique_ptr<platform::WebView> view_;
    bool muted_ = false;
    uint64_t lastPlay_ = 0;
    // The play that has the stage.
    uint64_t play_ = 0;
    std::vector<uint8_t> movie_;
    PlayListener* listener_ = nullptr;
    std::unique_ptr<platform::ChildWindow> child_;
    Size area_;
    bool moviePicture_ = false;  // the view shows the play's movie now
};

}  // namespace korv
