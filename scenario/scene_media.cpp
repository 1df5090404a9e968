#include "scenario/scene_media.h"

#include "media/sound/wave_player.h"
#include "media/temporary_media_file.h"
#include "media/window_task_thread.h"
#include "saver/log.h"
#include "scenario/scene_context.h"

namespace korv {

SceneMedia::SceneMedia(MediaHost* host) : midi(CMidiDevice::Create()), host_(host) {
    midi->SetCallbackWindow(host);
}

SceneMedia::~SceneMedia() {
    Kill();
    midi->Close();
    DeleteTemporaryMediaFile(midi->fileName);
}

void SceneMedia::StopNoWaitVideo() {
    std::unique_ptr<CPlayerWnd> player;
    {
        std::lock_guard lock(videoMutex_);
        player = std::move(noWaitAvi_);
    }
    if (!player) return;
    FileLog("CMedia: Stop previous avi");
    player->SafeStop();
    player->SafeClose();
    if (host_) host_->FocusWindow();
    DeleteTemporaryMediaFile(player->FileName());
}

void SceneMedia::StartNoWaitVideo(std::unique_ptr<CPlayerWnd> player) {
    std::lock_guard lock(videoMutex_);
    noWaitAvi_ = std::move(player);
}

void SceneMedia::SetWaitedVideo(CAviWaitPlayer* player) {
    std::lock_guard lock(videoMutex_);
    aviWindow_ = player;
}

void SceneMedia::StopMidi() {
    midi->Stop();
    std::string file;
    {
        std::lock_guard lock(midiFileMutex_);
        file = midi->fileName;
    }
    DeleteTemporaryMediaFile(file);
}

std::string SceneMedia::NewMidiFile(std::span<const uint8_t> data, bool loop) {
    std::string file = MakeTemporaryMediaFile(data, ".mid");
    std::lock_guard lock(midiFileMutex_);
    midi->fileName = file;
    midi->loop = loop;
    return file;
}

void SceneMedia::CloseNoWaitVideo(const char* logLine) {
    std::unique_ptr<CPlayerWnd> player;
    {
        std::lock_guard lock(videoMutex_);
        player = std::move(noWaitAvi_);
    }
    if (!player) return;
    player->SafeStop();
    player->CloseWindow();
    DeleteTemporaryMediaFile(player->FileName());
    FileLog(logLine);
}

void SceneMedia::StopAtEnd() {
    std::lock_guard lock(endMutex_);
    WavePlayer::Instance().Stop();
    mp3Player.Stop();
    StopMidi();
    CloseNoWaitVideo("CSceneThread: finish no-wait avi");
}

void SceneMedia::Kill() {
    std::lock_guard lock(endMutex_);
    mp3Player.Stop();
    CloseNoWaitVideo("CSceneThread: kill no-wait avi");
    {
        std::lock_guard lock(videoMutex_);
        if (aviWindow_) aviWindow_->CloseWindow();
    }
    StopMidi();
}

}  // namespace korv

namespace korv {

void SceneWindow::PostToWindowThread(std::function<void()> task) { PostToWindowTaskThread(std::move(task)); }

}  // namespace korv
