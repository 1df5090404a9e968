// Feeds arbitrary bytes to the MP3 frame scan and the decoding behind it.
// The first byte picks what runs: bit 0 the conversion in chunks of 1–128
// bytes (bits 1–7 give the size), then always the scan; a byte of 0xFF runs
// the whole decoder into an output that plays each block at once. Nothing
// may crash, read outside the input, write past an output buffer or give
// part of a sample frame.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "media/sound/mp3_analyzer.h"
#include "media/sound/mp3_conversion.h"
#include "media/sound/mp3_decoder.h"
#include "media/sound/mp3_frame_scan.h"
#include "media/sound/mp3_output_format.h"

namespace {

using korv::platform::AudioFormat;

class CountingSource final : public korv::platform::AudioSource {
public:
    explicit CountingSource(const AudioFormat& format) : format_(format) {}
    const AudioFormat& Format() const override { return format_; }
    bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed) override {
        if (bytes.size() % static_cast<size_t>(format_.BytesPerFrame()) != 0) std::abort();
        unsigned sum = 0;
        for (uint8_t b : bytes) sum += b;  // every byte was written
        asm volatile("" : : "r"(sum));
        if (onPlayed) onPlayed();
        return true;
    }
    void Finish() override { ended_.Set(); }
    void Stop() override { ended_.Set(); }
    const korv::platform::Event& Ended() const override { return ended_; }
    uint32_t QueuedMilliseconds() const override { return 0; }
    uint64_t PlayedFrames() const override { return 0; }

private:
    AudioFormat format_;
    korv::platform::Event ended_;
};

class CountingOutput final : public korv::platform::AudioOutput {
public:
    std::shared_ptr<korv::platform::AudioSource> Open(const AudioFormat& format) override {
        return format.Valid() ? std::make_shared<CountingSource>(format) : nullptr;
    }
    void SetMuted(bool) override {}
    bool Muted() const override { return false; }
    std::string DriverName() const override { return "counting"; }
};

void ConvertInChunks(std::span<const uint8_t> data, const korv::Mp3FirstFrame& first, size_t chunk) {
    const AudioFormat format = korv::Mp3PlaybackFormat(first.header);
    const size_t frameBytes = static_cast<size_t>(format.BytesPerFrame());
    korv::Mp3Conversion conversion;
    if (!conversion.Open(format)) std::abort();
    std::vector<uint8_t> output(korv::Mp3DecodedBound(first.header, format, chunk) + 1, 0xA5);
    const size_t room = output.size() - 1;
    const auto frames = data.subspan(first.offset);
    for (size_t at = 0; at <= frames.size(); at += chunk) {
        const size_t length = std::min(chunk, frames.size() - at);
        const auto written = conversion.Convert(frames.subspan(at, length), std::span(output.data(), room));
        if (!written) return;
        if (*written > room || *written % frameBytes != 0 || output[room] != 0xA5) std::abort();
        if (length == 0) break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = data[0];
    const std::span<const uint8_t> stream(data + 1, size - 1);

    const size_t tags = korv::Id3v2TagsLength(stream);
    if (tags > stream.size()) std::abort();
    const auto first = korv::FindFirstMp3Frame(stream);
    if (!first) return 0;
    if (first->offset < tags || first->offset + 4 > stream.size() ||
        first->offset - tags >= korv::kMp3FrameScanOffsets)
        std::abort();

    if (choice == 0xFF) {
        korv::CMP3Analyzer analyzer;
        analyzer.Wrap(stream.data(), stream.size());
        if (!analyzer.FindFirstFrame()) std::abort();
        korv::Mp3PlaySignals signals;
        korv::CMP3Decoder decoder(signals);
        CountingOutput output;
        decoder.Play(analyzer, output);
    } else if (choice & 1) {
        ConvertInChunks(stream, *first, static_cast<size_t>(choice >> 1) + 1);
    }
    return 0;
}
