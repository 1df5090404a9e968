#pragma once
// MIDI synthesis: plays a Standard MIDI File through a General MIDI
// soundfont into 16-bit stereo samples at 44 100 Hz. Rendering is driven by
// the samples asked for (not by a clock): a file on a freshly loaded synth
// always gives the same samples, whatever the block sizes. A song ends at
// its last event.
//
// Soundfont: $KORV_SOUNDFONT when set, else FluidR3_GM.sf2, else
// TimGM6mb.sf2 from /usr/share/sounds/sf2. Loading it takes a while, so a
// loaded synth goes back to a process-wide pool when its song closes and
// the next song reuses it (loading TimGM6mb takes 30-50 ms; FluidR3_GM is
// 24 times larger).

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace korv::platform {

inline constexpr int kMidiSampleRate = 44100;
inline constexpr int kMidiChannels = 2;

enum class MidiOpenResult {
    Ok,
    FileNotFound,    // no such file
    FileUnreadable,  // exists but cannot be read
    NotMidi,         // not a well-formed Standard MIDI File
    NoSynth,         // no soundfont, or the synth could not start
};

class MidiSong {
public:
    virtual ~MidiSong() = default;
    // Frames from the start to the last event: the song's length (at least
    // a tenth of a second).
    virtual uint64_t TotalFrames() const = 0;
    virtual uint64_t RenderedFrames() const = 0;
    bool Ended() const { return RenderedFrames() >= TotalFrames(); }
    // Renders the next frames (interleaved stereo) into `out`, never past
    // the song's end; returns the frames written (0 once ended).
    virtual size_t Render(std::span<int16_t> out) = 0;
    // Back to the start, every note off and every controller reset.
    virtual void Rewind() = 0;
};

struct MidiOpenOutcome {
    std::unique_ptr<MidiSong> song;  // null unless result is Ok
    MidiOpenResult result = MidiOpenResult::Ok;
};

// Opens the file at `path`. The first call of the process loads the soundfont.
MidiOpenOutcome OpenMidiSong(const std::string& path);

// Frees the synths kept for reuse, and with them the soundfont's memory;
// the next song loads it again.
void ReleaseIdleMidiSynths();

// The soundfont file in use ($KORV_SOUNDFONT or the first Debian one found);
// empty when none exists.
std::string MidiSoundfontPath();

}  // namespace korv::platform
