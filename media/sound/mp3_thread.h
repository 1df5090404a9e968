#pragma once
// The worker thread of one MP3 play: plays the stream (again and again when
// looping) until it ends or is stopped, signals finishedEvent, then stays
// alive until stopEvent. It only ever waits on events, never on a clock.

#include <cstdint>
#include <string>

#include "media/sound/mp3_decoder.h"
#include "media/sound/mp3_play_signals.h"
#include "platform/thread.h"

namespace korv {

class CMP3Thread final : public platform::Thread {
public:
    // Plays `size` bytes at `data` (they must stay valid until the thread has
    // ended), or the file `fileName` when `data` is null or `size` is -1.
    CMP3Thread(Mp3PlaySignals& signals, std::string fileName, const uint8_t* data, int64_t size, bool loop);
    ~CMP3Thread() override;

protected:
    bool InitInstance() override { return true; }
    int Run() override;

private:
    // One pass over the stream; false when it failed.
    bool PlayOnce();

    Mp3PlaySignals& signals_;
    CMP3Decoder decoder_;
    const std::string fileName_;
    const uint8_t* const data_;
    const int64_t size_;
    const bool loop_;
};

}  // namespace korv
