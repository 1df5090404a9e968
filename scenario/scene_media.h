#pragma once
// The scene thread's media: one player of each kind, so that a new medium of
// a kind replaces the one still playing, media of different kinds overlap,
// and everything stops when the scene ends. The scene thread plays and
// stops through it; the window's thread stops it when the saver ends while
// a medium plays.

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "media/media_host.h"
#include "media/flash/flash_player_thread.h"
#include "media/sound/midi_device.h"
#include "media/sound/mp3_player.h"
#include "media/video/avi_wait_player.h"
#include "media/video/player_wnd.h"
#include "platform/clock.h"
#include "platform/event.h"

namespace korv {

class SceneMedia {
public:
    explicit SceneMedia(MediaHost* host);
    ~SceneMedia();
    SceneMedia(const SceneMedia&) = delete;
    SceneMedia& operator=(const SceneMedia&) = delete;

    MediaHost* Host() const { return host_; }

    CMP3Player mp3Player;
    // Shared with the notifications on their way to the window's thread.
    std::shared_ptr<CMidiDevice> midi;
    // Set while a Flash movie plays.
    platform::Event flashEvent;
    // The Flash play the scene recorded last. A player outlives its movie
    // until it is forgotten here.
    void RecordFlash(std::shared_ptr<CFlashPlayerThread> player);
    bool HasFlash();
    // Forgets the recorded Flash play and, while its movie plays, kills it.
    // With `waitMs`, waits that long at most for its thread to end (its end
    // resets the playing event, which a new play is about to set).
    void StopFlash(uint32_t waitMs = 0);

    // The no-wait video: a new one replaces the old one, which is stopped,
    // closed and its file deleted first ("CMedia: Stop previous avi").
    void StopNoWaitVideo();
    void StartNoWaitVideo(std::unique_ptr<CPlayerWnd> player);
    // The waited video's player while it plays (nullptr after).
    void SetWaitedVideo(CAviWaitPlayer* player);
    // Stops the MIDI device and deletes the file it played.
    void StopMidi();
    // Makes the MIDI device's new file and gives its loop flag; the file's
    // name, empty when it could not be made.
    std::string NewMidiFile(std::span<const uint8_t> data, bool loop);

    // The end of the command list: no sound, no MP3, no MIDI, no video.
    void StopAtEnd();
    // The saver ends (window's thread): releases every wait of the scene
    // thread on a medium and stops what plays.
    void Kill();

private:
    void CloseNoWaitVideo(const char* logLine);

    MediaHost* host_;
    std::mutex endMutex_;  // the scene's end and the saver's end take turns
    std::mutex videoMutex_;
    std::mutex midiFileMutex_;  // the device's file name, read by the saver's end
    std::mutex flashMutex_;
    std::shared_ptr<CFlashPlayerThread> flash_;
    // Killed players kept until their threads have ended.
    std::vector<std::shared_ptr<CFlashPlayerThread>> endingFlash_;
    std::unique_ptr<CPlayerWnd> noWaitAvi_;
    CAviWaitPlayer* aviWindow_ = nullptr;
};

}  // namespace korv
