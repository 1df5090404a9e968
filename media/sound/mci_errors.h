#pragma once
// Error codes of the media control interface (the original platform's
// values), kept in a device's lastError when a command fails.

#include <cstdint>

namespace korv {

inline constexpr uint32_t kMciErrorInvalidDeviceId = 257;   // the device is not open
inline constexpr uint32_t kMciErrorHardware = 262;          // no sound output could be opened
inline constexpr uint32_t kMciErrorOutOfMemory = 264;       // the rendering thread could not start
inline constexpr uint32_t kMciErrorFileNotFound = 275;      // no such file
inline constexpr uint32_t kMciErrorInvalidFile = 296;       // not a well-formed MIDI file
inline constexpr uint32_t kMciErrorSequencerNoMidi = 343;   // no synthesizer (no soundfont)
inline constexpr uint32_t kMciErrorFileRead = 348;          // the file could not be read

}  // namespace korv
