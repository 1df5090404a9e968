// CPU cost of MP3 playback: ten seconds of a 44.1 kHz stereo 128 kbit/s
// stream through the decoder (conversion to 22050 Hz 8-bit PCM, buffers,
// queuing) into an output that takes each block at once, beside the bare
// library decoding the same stream at full rate and 16 bits. The counter
// "core_percent" is the share of one core, in percent, that playing in real
// time needs (Google Benchmark prints an inverted rate with an "s" after it).

#include <benchmark/benchmark.h>

#include <mpg123.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "media/sound/mp3_analyzer.h"
#include "media/sound/mp3_decoder.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSoundSeconds = 10.0;

struct Stream {
    fs::path folder = fs::temp_directory_path() / ("korv-mp3-bench-" + std::to_string(::getpid()));
    std::vector<uint8_t> bytes;

    Stream() {
        fs::create_directories(folder);
        const std::string wav = (folder / "sound.wav").string(), mp3 = (folder / "sound.mp3").string();
        // Pink noise on the left, a sweep on the right: every band busy.
        const std::string make = "sox -n -r 44100 -c 2 -b 16 " + wav + " synth 10 pinknoise sine 200-4000 vol 0.5" +
                                 " && lame --quiet -b 128 -m s " + wav + " " + mp3;
        if (std::system(make.c_str()) != 0) std::abort();
        bytes = korv::platform::ReadFileBytes(mp3).value_or(std::vector<uint8_t>{});
        if (bytes.empty()) std::abort();
    }
    ~Stream() {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

const Stream& TenSeconds() {
    static Stream stream;
    return stream;
}

class TakingSource final : public korv::platform::AudioSource {
public:
    explicit TakingSource(const korv::platform::AudioFormat& format) : format_(format) {}
    const korv::platform::AudioFormat& Format() const override { return format_; }
    bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed) override {
        benchmark::DoNotOptimize(bytes.data());
        if (onPlayed) onPlayed();
        return true;
    }
    void Finish() override { ended_.Set(); }
    void Stop() override { ended_.Set(); }
    const korv::platform::Event& Ended() const override { return ended_; }
    uint32_t QueuedMilliseconds() const override { return 0; }
    uint64_t PlayedFrames() const override { return 0; }

private:
    korv::platform::AudioFormat format_;
    korv::platform::Event ended_;
};

class TakingOutput final : public korv::platform::AudioOutput {
public:
    std::shared_ptr<korv::platform::AudioSource> Open(const korv::platform::AudioFormat& format) override {
        return std::make_shared<TakingSource>(format);
    }
    void SetMuted(bool) override {}
    bool Muted() const override { return false; }
    std::string DriverName() const override { return "taking"; }
};

void ReportCoreShare(benchmark::State& state) {
    // CPU seconds per iteration ÷ seconds of sound, in percent: an inverted
    // rate of v per iteration gives (seconds ÷ iterations) ÷ v.
    state.counters["core_percent"] = benchmark::Counter(
        kSoundSeconds / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Mp3DecoderTenSeconds(benchmark::State& state) {
    const auto& bytes = TenSeconds().bytes;
    korv::CMP3Analyzer stream;
    stream.Wrap(bytes.data(), bytes.size());
    if (!stream.FindFirstFrame()) std::abort();
    korv::Mp3PlaySignals signals;
    korv::CMP3Decoder decoder(signals);
    TakingOutput output;
    for (auto _ : state) {
        if (!decoder.Play(stream, output)) std::abort();
        benchmark::DoNotOptimize(decoder.QueuedBytes());
    }
    ReportCoreShare(state);
}
BENCHMARK(BM_Mp3DecoderTenSeconds)->Unit(benchmark::kMillisecond);

void BM_Mpg123AloneTenSeconds(benchmark::State& state) {
    const auto& bytes = TenSeconds().bytes;
    std::vector<uint8_t> pcm(1 << 16);
    for (auto _ : state) {
        mpg123_handle* handle = mpg123_new(nullptr, nullptr);
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_open_feed(handle);
        mpg123_feed(handle, bytes.data(), bytes.size());
        size_t done = 0;
        int result;
        while ((result = mpg123_read(handle, pcm.data(), pcm.size(), &done)) == MPG123_OK ||
               result == MPG123_NEW_FORMAT)
            benchmark::DoNotOptimize(pcm.data());
        mpg123_delete(handle);
    }
    ReportCoreShare(state);
}
BENCHMARK(BM_Mpg123AloneTenSeconds)->Unit(benchmark::kMillisecond);

}  // namespace
