#include "media/sound/mp3_output_format.h"

namespace korv {

int Mp3PlaybackRate(int sourceRate) {
    switch (sourceRate) {
        case 8000:
        case 11025:
        case 12000:
        case 16000:
        case 22050:
        case 24000:
            return sourceRate;
        case 32000:
            return 16000;
        case 44100:
            return 22050;
        case 48000:
            return 24000;
        default:
            return 22050;
    }
}

platform::AudioFormat Mp3PlaybackFormat(const Mp3FrameHeader& header) {
    return platform::AudioFormat{Mp3PlaybackRate(header.sampleRate), header.Channels(), platform::SampleType::U8};
}

}  // namespace korv
