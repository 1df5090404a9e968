#include "media/flash/flash_player_thread.h"

#include "media/flash/swf_frame_reports.h"
#include "media/flash/swf_movie.h"
#include "media/temporary_media_file.h"
#include "platform/file.h"
#include "saver/log.h"

namespace korv {

namespace {

constexpr uint32_t kHostCloseMessage = 0x0010;  // the host window's close
constexpr uint32_t kFrameMessage = 0x8001;      // the control reached a frame
// How long the control may take to start (the engine's first start).
constexpr uint32_t kControlStartLimitMs = 30000;
// How long the duration's timer waits for the player to end on its
// message, so that a virtual clock stops at the end exactly.
constexpr uint32_t kTimerHandOverMs = 2000;

}  // namespace

bool CShockwaveFlash::PutMovie(const std::string& file) {
    std::optional<std::vector<uint8_t>> bytes = platform::ReadFileBytes(file);
    if (!bytes) return false;
    std::optional<SwfMovie> movie = ReadSwfMovie(*bytes);
    totalFrames_ = movie ? std::max<int32_t>(1, movie->frameCount) : 1;
    // Movies of the first ActionScript report each frame as it shows, and
    // hold the last frame unless they loop.
    std::optional<std::vector<uint8_t>> reporting =
        movie && !movie->actionScript3 ? AddFrameReports(*bytes, !loop_) : std::nullopt;
    // A movie that cannot report its frames (damaged, or one our reader does
    // not follow) ends after its length instead of playing on for ever.
    timedEnd_ = !reporting;
    movie_ = reporting ? std::move(*reporting) : std::move(*bytes);
    return true;
}

bool CShockwaveFlash::Play(MediaHost* host, Rect area, bool takesClicks) {
    frameNum_ = 0;
    FlashPlayOptions options;
    options.loop = loop_;
    options.timedEnd = timedEnd_;
    play_ = FlashStage::Instance().Play(movie_, host, area, options, takesClicks, this);
    return play_ != 0;
}

void CShockwaveFlash::Stop() { FlashStage::Instance().Pause(play_); }

void CShockwaveFlash::Close() {
    FlashStage::Instance().Stop(play_);
    play_ = 0;
}

void CShockwaveFlash::OnMovieLoaded(bool, int frameCount, double) {
    if (frameCount > 0) totalFrames_ = frameCount;
}

void CShockwaveFlash::OnFrameReached(int frame) {
    frameNum_ = frame;
    owner_.PostMessage(kFrameMessage, static_cast<uintptr_t>(frame));
}

void CShockwaveFlash::OnMovieEnded() { ReachLastFrame(); }

void CShockwaveFlash::OnMovieFailed(const std::string& why) {
    FileLogFormat("Flash movie failed: %s\n", why.c_str());
    ReachLastFrame();
}

void CShockwaveFlash::ReachLastFrame() {
    frameNum_ = totalFrames_ - 1;
    owner_.PostMessage(kFrameMessage, static_cast<uintptr_t>(frameNum_.load()));
}

CFlashPlayerThread::CFlashPlayerThread(MediaHost* parent, platform::Event* playingEvent, int32_t duration,
                                       platform::Clock& clock)
    : parent_(parent), playingEvent_(playingEvent), duration_(duration), clock_(clock), control_(*this) {}

CFlashPlayerThread::~CFlashPlayerThread() {
    Kill();
    Join();
}

void CFlashPlayerThread::Kill() {
    if (killRequested_.exchange(true)) return;
    killEvent_.Set();
    PostMessage(kHostCloseMessage);
    PostQuit();
}

bool CFlashPlayerThread::InitInstance() {
    // The host window: the stage's child surface, which needs a parent.
    if (!parent_) return false;
    // The control: the web player, started when the scenario loaded.
    std::string why = FlashStage::Instance().WaitUntilReady(kControlStartLimitMs, killEvent_);
    if (!why.empty()) {
        FileLogFormat("Flash player unavailable: %s\n", why.c_str());
        return false;
    }
    control_.PutMenu(false);
    control_.duration = duration_;
    control_.PutLoop(loop);
    if (!control_.PutMovie(fileName)) return false;
    // The timer starts with the movie (just before it, so that nothing the
    // movie reports can come before it).
    if (duration_ > 0) timer_ = std::make_unique<platform::ClockAlarm>(clock_, duration_, [this] { OnTimer(); });
    return control_.Play(parent_, Rect{left, top, right, bottom}, takesInput);
}

void CFlashPlayerThread::OnTimer() {
    control_.Stop();
    PostMessage(kFlashDurationElapsedMessage);
    // Time stands until the player has ended on the message.
    exiting_.Wait(kTimerHandOverMs);
}

int CFlashPlayerThread::Run() {
    platform::ThreadMessage message;
    while (GetMessage(message)) {
        DetectEnd(message);
        if (message.id == kHostCloseMessage) control_.Close();
    }
    return static_cast<int>(message.wParam);
}

void CFlashPlayerThread::DetectEnd(const platform::ThreadMessage& message) {
    if (hasDuration) {
        if (message.id == kFlashDurationElapsedMessage) Kill();
        return;
    }
    if (control_.TotalFrames() == control_.FrameNum() + 1 && !loop) Kill();
}

int CFlashPlayerThread::ExitInstance() {
    control_.Close();
    if (playingEvent_) {
        if (!loop) DeleteTemporaryMediaFile(fileName);
        playingEvent_->Reset();
    }
    exiting_.Set();
    timer_.reset();
    return platform::Thread::ExitInstance();
}

}  // namespace korv
