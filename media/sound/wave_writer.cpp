#include "media/sound/wave_writer.h"

#include <cstdio>

#include "media/little_endian.h"
#include "platform/atomic_file.h"

namespace korv {

namespace {

void AppendTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

std::vector<uint8_t> WaveFileBytes(std::span<const int16_t> samples, int rate, int channels) {
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    AppendTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    AppendTag(out, "WAVE");
    AppendTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, static_cast<uint32_t>(channels));
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate) * blockAlign);
    Put16(out, blockAlign);
    Put16(out, 16);
    AppendTag(out, "data");
    Put32(out, dataBytes);
    for (int16_t sample : samples) Put16(out, static_cast<uint16_t>(sample));
    return out;
}

bool WriteWaveFile(const std::string& path, std::span<const int16_t> samples, int rate, int channels) {
    std::vector<uint8_t> bytes = WaveFileBytes(samples, rate, channels);
    return platform::WriteFileReplacing(
        path, [&](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); },
        0644);
}

}  // namespace korv
