#pragma once
// Standard MIDI File reader: checks a whole file's structure and works out
// when its last event happens, with every tempo change applied. The synth
// ends a song there (its own player keeps reporting "playing" for a while
// after the last event).

#include <cstdint>
#include <optional>
#include <span>

namespace korv::platform {

struct MidiFileSummary {
    uint16_t format = 0;       // 0, 1 or 2
    uint16_t tracks = 0;       // track chunks read
    uint64_t events = 0;       // every event, end-of-track markers included
    uint64_t lastEventTick = 0;
    // Time of the last event (an end-of-track marker counts) from the start;
    // held at 10^12 (about 11.5 days) for absurd files.
    uint64_t lastEventMicroseconds = 0;
};

// The summary of a well-formed file; nullopt when anything is damaged or
// truncated (a track that runs past its chunk or lacks its end marker, a
// bad variable-length number, a data byte without a running status...).
std::optional<MidiFileSummary> ReadMidiFile(std::span<const uint8_t> bytes);

}  // namespace korv::platform
