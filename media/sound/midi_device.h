#pragma once
// The MIDI sequencer device: opens a MIDI file, plays it into the mixer and
// tells its callback window when the play ends, with the media control
// interface's notification codes and a device id per open.
//
// Ownership: a CMidiDevice is always held by std::shared_ptr (Create); the
// scene thread owns it. End-of-play notifications are tasks posted to the
// callback window's thread that hold only a weak_ptr, so a device destroyed
// before they run is simply not reached.
//
// Threads: the scene thread calls Open, Play, Stop and Close; the window
// thread runs OnNotify, which may close, open and play the device again
// (loop). Every operation is serialized by the device. Each play renders on
// a thread of the device that keeps about a quarter second queued in the
// mixer and sleeps until a queued block has played.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "media/media_host.h"
#include "platform/audio_output.h"
#include "platform/event.h"
#include "platform/midi_synth.h"

namespace korv {

// What every media control device has: an id while open, the window that
// receives its notifications, and the code of its last failure.
class CMciDevice {
public:
    virtual ~CMciDevice() = default;

    // The window whose thread receives this device's notifications.
    void SetCallbackWindow(MediaHost* window);
    // Nonzero while open, unique in the process for each open; 0 when closed.
    uint32_t GetDeviceId() const { return deviceId_.load(); }

    virtual bool Open(const std::string& fileName, bool shareable) = 0;
    virtual bool Play() = 0;
    virtual bool Stop() = 0;
    virtual bool Close() = 0;

    // Code of the last failing command (mci_errors.h); 0 before any failure.
    std::atomic<uint32_t> lastError{0};
    // Nothing in the engine shows device errors; kept for the interface.
    bool reportErrors = false;

protected:
    static uint32_t NewDeviceId();
    bool Fail(uint32_t code) {
        lastError = code;
        return false;
    }
    MediaHost* CallbackWindow() const { return callbackWindow_.load(); }

    std::atomic<uint32_t> deviceId_{0};

private:
    std::atomic<MediaHost*> callbackWindow_{nullptr};
};

class CMidiDevice final : public CMciDevice, public std::enable_shared_from_this<CMidiDevice> {
    struct Key {};

public:
    static std::shared_ptr<CMidiDevice> Create();
    explicit CMidiDevice(Key) {}
    // Stops and closes, then deletes fileName (errors ignored).
    ~CMidiDevice() override;
    CMidiDevice(const CMidiDevice&) = delete;
    CMidiDevice& operator=(const CMidiDevice&) = delete;

    // Opens `fileName` (closing what was open). False with lastError set when
    // the file is missing (275), unreadable (348), not MIDI (296) or no
    // synthesizer exists (343). `shareable` has no effect here.
    bool Open(const std::string& fileName, bool shareable) override;
    // Plays from where the song stands (from the start once it has ended);
    // at its end, posts kMciNotifySuccessful with the device id. A play
    // already in progress goes on, its notification superseded.
    bool Play() override;
    // Silences at once; a play in progress is notified as aborted, and the
    // end of a play that is already on its way is then ignored.
    bool Stop() override;
    // When open: stops and releases the song. Posts nothing more.
    bool Close() override;

    // End of play, on the window's thread: a success of the current open
    // sets doneEvent, or, with loop set, closes, opens the same file again
    // (not shareable) and plays it. Other ids and codes are ignored.
    void OnNotify(uint32_t code, uint32_t deviceId);

    bool IsOpened() const { return opened.load(); }
    // Milliseconds of the song still to be heard in the play in progress; 0
    // when none plays. A waiter follows its clock by it.
    uint32_t RemainingMilliseconds();

    // Set by a play's successful end without loop; reset by its owner.
    platform::Event doneEvent;
    // The temporary file played, deleted by the destructor. Set by the scene
    // thread when no play is in progress.
    std::string fileName;
    std::atomic<bool> loop{false};
    std::atomic<bool> opened{false};

private:
    struct PlayState;

    bool OpenLocked(const std::string& fileName);
    bool PlayLocked();
    bool StopLocked();
    bool CloseLocked();
    void RenderLoop(std::shared_ptr<PlayState> state, std::shared_ptr<platform::AudioSource> source);
    void HandleNotify(uint32_t code, uint32_t deviceId, uint64_t playSerial);
    void Post(uint32_t code, const PlayState& play);

    std::mutex commandMutex_;
    std::unique_ptr<platform::MidiSong> song_;
    std::string openedFile_;
    uint64_t playSerial_ = 0;  // counts plays, so a late notification of an earlier one is known
    std::shared_ptr<PlayState> play_;
    std::shared_ptr<platform::AudioSource> source_;
    std::thread renderThread_;
};

}  // namespace korv
