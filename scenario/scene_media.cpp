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

namespace {

// How long the scene's end gives Flash players to end their threads.
constexpr uint32_t kFlashEndWaitMs = 500;

}  // namespace

SceneMedia::~SceneMedia() {
    Kill();
    midi->Close();
    DeleteTemporaryMediaFile(midi->fileName);
    std::vector<std::shared_ptr<CFlashPlayerThread>> players;
    {
        std::lock_guard lock(flashMutex_);
        players = std::move(endingFlash_);
        if (flash_) players.push_back(std::move(flash_));
    }
    for (auto& player : players) {
        player->Kill();
        // A player that does not end in time is left to the process's end:
        // destroying it would wait for its thread.
        if (player->IsCreated() && !player->WaitForEnd(kFlashEndWaitMs)) {
            static std::mutex strandedMutex;
            static auto* stranded = new std::vector<std::shared_ptr<CFlashPlayerThread>>;
            std::lock_guard lock(strandedMutex);
            stranded->push_back(std::move(player));
        }
    }
}

void SceneMedia::RecordFlash(std::shared_ptr<CFlashPlayerThread> player) {
    std::lock_guard lock(flashMutex_);
    std::erase_if(endingFlash_, [](const auto& ending) { return !ending->IsCreated() || ending->HasEnded(); });
    if (flash_) endingFlash_.push_back(std::move(flash_));
    flash_ = std::move(player);
}

bool SceneMedia::HasFlash() {
    std::lock_guard lock(flashMutex_);
    return flash_ != nullptr;
}

void SceneMedia::StopFlash(uint32_t waitMs) {
    std::shared_ptr<CFlashPlayerThread> player;
    {
        std::lock_guard lock(flashMutex_);
        if (!flash_) return;
        if (flashEvent.IsSet()) flash_->Kill();
        player = flash_;
        endingFlash_.push_back(std::move(flash_));
    }
    if (waitMs > 0 && player->IsCreated()) player->WaitForEnd(waitMs);
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
    // A waited movie has ended before the list could end; one that plays
    // without a wait ends with the scene.
    StopFlash();
}

void SceneMedia::Kill() {
    std::lock_guard lock(endMutex_);
    mp3Player.Stop();
    CloseNoWaitVideo("CSceneThread: kill no-wait avi");
    {
        std::lock_guard lock(videoMutex_);
        if (aviWindow_) aviWindow_->CloseWindow();
    }
    StopFlash();
    StopMidi();
}

}  // namespace korv

namespace korv {

void SceneWindow::PostToWindowThread(std::function<void()> task) { PostToWindowTaskThread(std::move(task)); }

}  // namespace korv
