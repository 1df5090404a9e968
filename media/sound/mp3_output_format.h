#pragma once
// The PCM format an MP3 stream is played in: 8-bit unsigned samples, the
// stream's channels, and half the rate for 32 kHz and above, which keeps
// the decoding and the buffers small.

#include "media/sound/mp3_frame_header.h"
#include "platform/audio_output.h"

namespace korv {

// 8000, 11025, 12000, 16000, 22050 and 24000 stay; 32000 → 16000,
// 44100 → 22050, 48000 → 24000; any other rate → 22050.
int Mp3PlaybackRate(int sourceRate);

platform::AudioFormat Mp3PlaybackFormat(const Mp3FrameHeader& header);

}  // namespace korv
