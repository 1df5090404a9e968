// Feeds arbitrary bytes to the MIDI file reader. It must refuse anything
// damaged without crashing or reading past the input; what it accepts must
// be consistent (at least one track, an end marker counted per track).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto summary = korv::platform::ReadMidiFile(std::span<const uint8_t>(data, size));
    if (!summary) return 0;
    if (summary->tracks == 0 || summary->events < summary->tracks || summary->format > 2) std::abort();
    if (summary->lastEventMicroseconds > 1000000000000ull) std::abort();
    return 0;
}
