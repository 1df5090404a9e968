// What PLAY and STOP do with a medium: each kind goes to its player in the
// scene's media, which keeps one player of a kind at a time.

#include <algorithm>

#include "media/flash/flash_movie_size.h"
#include "media/flash/flash_player_files.h"
#include "media/flash/flash_stage.h"
#include "media/sound/wave_player.h"
#include "media/temporary_media_file.h"
#include "platform/audio_output.h"
#include "saver/log.h"
#include "scenario/media_commands.h"
#include "scenario/scene_context.h"
#include "scenario/scenario.h"
#include "scenario/scene_media.h"

namespace korv {

namespace {

void PlayWaitedVideo(SceneMedia& media, SceneContext& scene, const std::string& file, bool loop, Rect area) {
    CAviWaitPlayer player(*media.Host());
    media.SetWaitedVideo(&player);
    player.Run(loop, area.left, area.top, file, scene.Clock(), scene.StopEvent());
    player.Finish();
    media.SetWaitedVideo(nullptr);
    DeleteTemporaryMediaFile(file);
}

void PlayNoWaitVideo(SceneMedia& media, SceneContext& scene, const std::string& file, Rect area) {
    media.StopNoWaitVideo();
    FileLogFormat("CMedia: Play %s", file.c_str());
    auto player = std::make_unique<CPlayerWnd>(*media.Host(), scene.Clock());
    CPlayerWnd& started = *player;
    // In the slot before it plays, so that an end of the saver meanwhile
    // finds it and closes it.
    media.StartNoWaitVideo(std::move(player));
    started.Create();
    started.OpenFile(file);
    // A no-wait video always repeats until it is stopped.
    started.PlayAt(false, area.left, area.top);
}

// Waits for the MIDI device's end of play or the scene's stop. The wait
// follows the scene's clock while the song still has time to run, so that
// a virtual clock moves by the song's length.
void WaitForMidiEnd(CMidiDevice& midi, SceneContext& scene) {
    const platform::Event* events[] = {&midi.doneEvent, &scene.StopEvent()};
    while (!midi.doneEvent.IsSet() && !scene.Stopped()) {
        uint32_t remaining = midi.RemainingMilliseconds();
        if (remaining > 0)
            scene.Clock().WaitFor(scene.StopEvent(), std::min<uint32_t>(remaining, 100));
        else
            platform::WaitForAny(events, 100);
    }
}

void PlayMidi(SceneMedia& media, SceneContext& scene, std::span<const uint8_t> data, bool wait, bool loop) {
    // The previous file is closed before the next opens.
    media.StopMidi();
    CMidiDevice& midi = *media.midi;
    midi.Close();
    std::string file = media.NewMidiFile(data, loop);
    if (file.empty()) return;
    if (!wait) {
        if (midi.Open(file, false)) midi.Play();
        return;
    }
    midi.doneEvent.Reset();
    if (midi.Open(file, false) && midi.Play()) WaitForMidiEnd(midi, scene);
    midi.Close();
    DeleteTemporaryMediaFile(file);
}

// Waits while a movie plays. The browser plays it in real time, so a
// virtual clock moves no faster than real time meanwhile.
void WaitWhileFlashPlays(SceneMedia& media, SceneContext& scene) {
    const bool virtualTime = dynamic_cast<platform::VirtualClock*>(&scene.Clock()) != nullptr;
    platform::RealClock realTime;
    while (media.flashEvent.IsSet() && !scene.Stopped()) {
        scene.Clock().WaitFor(scene.StopEvent(), 10);
        if (virtualTime) realTime.WaitFor(scene.StopEvent(), 10);
    }
}

// How long a new Flash play waits for the one it stops to end.
constexpr uint32_t kFlashPlayerEndWaitMs = 1000;

void PlayFlash(SceneMedia& media, SceneContext& scene, std::span<const uint8_t> data, bool wait, bool loop, Rect area,
               int32_t duration) {
    std::string file = MakeTemporaryMediaFile(data, ".swf");
    if (file.empty()) return;
    // The stopped player's end resets the playing event: it must be over
    // before the event is set for the new movie.
    if (scene.Clock().WaitFor(media.flashEvent, 500)) {
        FileLog("Flash event\n");
        media.StopFlash(kFlashPlayerEndWaitMs);
    }
    if (media.HasFlash()) {
        FileLog("Flash not null\n");
        media.StopFlash(kFlashPlayerEndWaitMs);
    }
    FlashStage::Instance().SetMuted(platform::SystemAudio().Muted());
    auto player = std::make_shared<CFlashPlayerThread>(media.Host(), &media.flashEvent, duration, scene.Clock());
    player->left = area.left;
    player->top = area.top;
    player->right = area.right;
    player->bottom = area.bottom;
    player->loop = loop;
    player->fileName = file;
    player->hasDuration = duration != -1;
    player->takesInput = scene.HasExitButtonBar();
    media.RecordFlash(player);
    media.flashEvent.Set();
    player->CreateThread(true);
    player->SetPriorityNormal();
    player->Resume();
    if (wait) WaitWhileFlashPlays(media, scene);
}

}  // namespace

void CMedia::Play(bool wait, bool loop, SceneContext& scene, Rect area, int32_t flashDuration) {
    SceneMedia* media = scene.Media();
    if (!media || !media->Host() || data.empty()) return;
    switch (kind) {
    case MediaWave:
        WavePlayer::Instance().Stop();
        WavePlayer::Instance().Play(data, wait, loop && !wait, scene.Clock(), &scene.StopEvent());
        return;
    case MediaVideo: {
        std::string file = MakeTemporaryMediaFile(data, ".avi");
        if (file.empty()) return;
        FileLog("Media play AVI");
        if (wait)
            PlayWaitedVideo(*media, scene, file, loop, area);
        else
            PlayNoWaitVideo(*media, scene, file, area);
        return;
    }
    case MediaFlash:
        FileLog("Flash play starting\n");
        if (!IsFlashInstalled()) return;
        PlayFlash(*media, scene, data, wait, loop, area, flashDuration);
        return;
    case MediaMidi:
        PlayMidi(*media, scene, data, wait, loop);
        return;
    default:
        media->mp3Player.Stop();
        media->mp3Player.Play(data.data(), static_cast<int64_t>(data.size()), wait, loop, scene.Clock());
        return;
    }
}

void CMedia::Stop(SceneContext& scene) {
    SceneMedia* media = scene.Media();
    if (!media) return;
    switch (kind) {
    case MediaWave:
        WavePlayer::Instance().Stop();
        return;
    case MediaVideo:
        media->StopNoWaitVideo();
        return;
    case MediaFlash:
        if (media->flashEvent.IsSet()) media->StopFlash();
        while (media->flashEvent.IsSet()) scene.Clock().Sleep(10);
        return;
    case MediaMidi:
        media->StopMidi();
        return;
    default:
        media->mp3Player.Stop();
        return;
    }
}

void PrepareFlashPlayer(const Scenario& scenario) {
    for (size_t i = 0; i < scenario.CommandCount(); ++i) {
        const auto* media = dynamic_cast<const CMedia*>(&scenario.At(i));
        if (media && media->kind == MediaFlash && !media->data.empty()) {
            if (IsFlashInstalled()) FlashStage::Instance().Prepare();
            return;
        }
    }
}

Size CMedia::GetFlashSize() const { return FlashMovieSize(data).value_or(kDefaultFlashStage); }

int PlayCommand::Execute(SceneContext& scene, int&) {
    CMedia* media = Target();
    if (!media) return 0;
    Size screen = scene.Window().ClientSize();
    Rect area;
    if (media->kind == MediaFlash) {
        if (width == 0 && height == 0) {
            Size own = media->GetFlashSize();
            width = own.width;
            height = own.height;
        }
        if (fullScreen == 0) {
            int left = centreX == 1 ? screen.width / 2 - std::max(width / 2, 1) : x;
            int top = centreY == 1 ? screen.height / 2 - std::max(height / 2, 1) : y;
            area = Rect::FromSize(left, top, width, height);
        } else if (scene.HasExitButtonBar()) {
            area = {0, 20, screen.width, screen.height + 20};
        } else {
            area = {0, 0, screen.width, screen.height};
        }
    } else {
        area = Rect::FromSize(x, y, width, height);
    }
    int32_t flashDuration = hasFrame ? frame : -1;
    if (!wait) {
        media->Play(false, loop != 0, scene, area, flashDuration);
        return 0;
    }
    for (int32_t plays = 0; (infinite || plays < count) && !scene.Stopped(); ++plays) {
        media->Play(true, false, scene, area, flashDuration);
        if (media->kind == MediaFlash && hasFrame) break;
    }
    return 0;
}

int StopCommand::Execute(SceneContext& scene, int&) {
    if (CMedia* media = Target()) media->Stop(scene);
    return 0;
}

}  // namespace korv
