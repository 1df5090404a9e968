// The MIDI module's entry: FluidSynth behind platform/midi_synth.h.

#include "platform/module_entries.h"

KORV_MODULE_EXPORT const korv::platform::MidiModuleEntries* KorvMidiModuleEntries() {
    static const korv::platform::MidiModuleEntries entries{&korv::platform::OpenMidiSong,
                                                           &korv::platform::ReleaseIdleMidiSynths,
                                                           &korv::platform::MidiSoundfontPath};
    return &entries;
}
