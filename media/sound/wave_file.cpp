#include "media/sound/wave_file.h"

#include <cstring>
#include <optional>

#include "media/little_endian.h"
#include "media/sound/adpcm_decoders.h"

namespace korv {

namespace {

constexpr uint16_t kFormatPcm = 0x0001;
constexpr uint16_t kFormatMsAdpcm = 0x0002;
constexpr uint16_t kFormatFloat = 0x0003;
constexpr uint16_t kFormatImaAdpcm = 0x0011;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The ADPCM block sizes this reader accepts (the largest real ones are a few KB).
constexpr size_t kMaxBlockAlign = 1 << 16;

struct FormatChunk {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    std::span<const uint8_t> extra;  // the bytes after cbSize
};

bool ParseFormat(std::span<const uint8_t> chunk, FormatChunk& format, std::string& error) {
    if (chunk.size() < 16) {
        error = "the format chunk is too short";
        return false;
    }
    format.tag = U16(&chunk[0]);
    format.channels = U16(&chunk[2]);
    format.rate = U32(&chunk[4]);
    format.blockAlign = U16(&chunk[12]);
    format.bits = U16(&chunk[14]);
    if (chunk.size() >= 18) {
        size_t extraSize = std::min<size_t>(U16(&chunk[16]), chunk.size() - 18);
        format.extra = chunk.subspan(18, extraSize);
    }
    if (format.tag == kFormatExtensible) {
        // valid bits (2), channel mask (4), then the sub-format GUID whose first two bytes are the tag.
        if (format.extra.size() < 22) {
            error = "the extensible format chunk is too short";
            return false;
        }
        format.tag = U16(&format.extra[6]);
    }
    if (format.channels < 1 || format.channels > 8) {
        error = "unsupported channel count " + std::to_string(format.channels);
        return false;
    }
    if (format.rate < 1000 || format.rate > 384000) {
        error = "unsupported sample rate " + std::to_string(format.rate);
        return false;
    }
    return true;
}

// Converts packed PCM or float samples to what the mixer takes.
bool ConvertLinear(const FormatChunk& format, std::span<const uint8_t> data, WaveSound& sound, std::string& error) {
    size_t bytesPerSample = format.bits / 8u;
    bool isFloat = format.tag == kFormatFloat;
    bool known = isFloat ? (format.bits == 32 || format.bits == 64)
                         : (format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32);
    if (!known) {
        error = "unsupported sample size of " + std::to_string(format.bits) + " bits";
        return false;
    }
    size_t frameBytes = bytesPerSample * format.channels;
    size_t samples = data.size() / frameBytes * format.channels;
    sound.format.rate = static_cast<int>(format.rate);
    sound.format.channels = format.channels;
    if (isFloat && format.bits == 64) {
        sound.format.type = platform::SampleType::F32;
        sound.samples.resize(samples * 4);
        for (size_t i = 0; i < samples; ++i) {
            double value;
            std::memcpy(&value, &data[i * 8], 8);
            float narrowed = static_cast<float>(value);
            std::memcpy(&sound.samples[i * 4], &narrowed, 4);
        }
    } else if (format.bits == 24) {
        sound.format.type = platform::SampleType::S32;
        sound.samples.resize(samples * 4);
        for (size_t i = 0; i < samples; ++i) {
            sound.samples[i * 4] = 0;
            std::memcpy(&sound.samples[i * 4 + 1], &data[i * 3], 3);
        }
    } else {
        sound.format.type = isFloat ? platform::SampleType::F32
                            : format.bits == 8 ? platform::SampleType::U8
                            : format.bits == 16 ? platform::SampleType::S16
                                                : platform::SampleType::S32;
        sound.samples.assign(data.begin(), data.begin() + static_cast<ptrdiff_t>(samples * bytesPerSample));
    }
    return true;
}

bool DecodeAdpcm(const FormatChunk& format, std::span<const uint8_t> data, std::optional<uint32_t> totalFrames,
                 WaveSound& sound, std::string& error) {
    size_t blockAlign = format.blockAlign;
    int channels = format.channels;
    if (blockAlign == 0 || blockAlign > kMaxBlockAlign) {
        error = "bad ADPCM block size";
        return false;
    }
    std::vector<MsAdpcmCoefficients> coefficients;
    if (format.tag == kFormatMsAdpcm) {
        // samples per block (2), coefficient count (2), then the pairs.
        if (format.extra.size() < 4) {
            error = "the MS ADPCM format has no coefficients";
            return false;
        }
        size_t count = U16(&format.extra[2]);
        if (count == 0 || format.extra.size() < 4 + count * 4) {
            error = "the MS ADPCM coefficients are cut off";
            return false;
        }
        for (size_t i = 0; i < count; ++i)
            coefficients.push_back({static_cast<int16_t>(U16(&format.extra[4 + i * 4])),
                                    static_cast<int16_t>(U16(&format.extra[6 + i * 4]))});
    }
    size_t headerBytes = (format.tag == kFormatMsAdpcm ? 7u : 4u) * static_cast<size_t>(channels);
    if (blockAlign < headerBytes) {
        error = "the ADPCM block is smaller than its header";
        return false;
    }
    size_t framesPerBlock = format.tag == kFormatMsAdpcm ? (blockAlign - headerBytes) * 2 / channels + 2
                                                          : (blockAlign - headerBytes) / (4u * channels) * 8 + 1;
    if (format.extra.size() >= 2 && U16(&format.extra[0]) != 0)
        framesPerBlock = std::min<size_t>(framesPerBlock, U16(&format.extra[0]));
    size_t limit = totalFrames ? *totalFrames : SIZE_MAX;

    std::vector<int16_t> pcm;
    size_t frames = 0;
    for (size_t at = 0; at < data.size() && frames < limit; at += blockAlign) {
        auto block = data.subspan(at, std::min(blockAlign, data.size() - at));
        if (block.size() < headerBytes) break;  // a cut-off last block
        size_t maxFrames = std::min(framesPerBlock, limit - frames);
        size_t before = pcm.size();
        bool ok = format.tag == kFormatMsAdpcm ? DecodeMsAdpcmBlock(block, channels, coefficients, maxFrames, pcm)
                                               : DecodeImaAdpcmBlock(block, channels, maxFrames, pcm);
        if (!ok) {
            error = "a damaged ADPCM block";
            return false;
        }
        frames += (pcm.size() - before) / static_cast<size_t>(channels);
    }
    sound.format = {static_cast<int>(format.rate), channels, platform::SampleType::S16};
    sound.samples.resize(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        sound.samples[i * 2] = static_cast<uint8_t>(pcm[i] & 0xFF);
        sound.samples[i * 2 + 1] = static_cast<uint8_t>((static_cast<uint16_t>(pcm[i]) >> 8) & 0xFF);
    }
    return true;
}

}  // namespace

bool ReadWaveFile(std::span<const uint8_t> bytes, WaveSound& sound, std::string& error) {
    sound = {};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    // The RIFF size may be wrong in files cut off or written by streaming tools: the chunks run to the end of the bytes.
    std::optional<FormatChunk> format;
    std::optional<std::span<const uint8_t>> data;
    std::optional<uint32_t> factFrames;
    size_t at = 12;
    while (bytes.size() - at >= 8) {
        const uint8_t* header = bytes.data() + at;
        size_t declared = U32(header + 4);
        size_t available = bytes.size() - at - 8;
        auto body = bytes.subspan(at + 8, std::min(declared, available));
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (declared > available) {
                error = "the format chunk is cut off";
                return false;
            }
            format.emplace();
            if (!ParseFormat(body, *format, error)) return false;
        } else if (std::memcmp(header, "data", 4) == 0 && !data) {
            data = body;
        } else if (std::memcmp(header, "fact", 4) == 0 && body.size() >= 4) {
            factFrames = U32(body.data());
        }
        if (declared > available) break;
        at += 8 + declared + (declared & 1);
        if (at > bytes.size()) break;
    }
    if (!format) {
        error = "no format chunk";
        return false;
    }
    if (!data) {
        error = "no data chunk";
        return false;
    }
    switch (format->tag) {
    case kFormatPcm:
    case kFormatFloat: return ConvertLinear(*format, *data, sound, error);
    case kFormatMsAdpcm:
    case kFormatImaAdpcm: return DecodeAdpcm(*format, *data, factFrames, sound, error);
    default: error = "unsupported encoding " + std::to_string(format->tag); return false;
    }
}

}  // namespace korv
