// The mixer's cost for one second of output from four sources in different
// formats (8 kHz mono U8, 22.05 kHz stereo S16, 48 kHz stereo F32, 44.1 kHz
// stereo S16), next to a memcpy of the same output bytes through glibc. The
// device's callback runs this every 23 ms, so it must stay a small fraction
// of real time.
//
//   korv_audio_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/sdl/sdl_audio_mixer.h"

namespace {

using namespace korv::platform;

constexpr size_t kOutputFrames = 44100;
constexpr size_t kOutputBytes = kOutputFrames * 4;
constexpr size_t kStepFrames = 1024;  // a device callback's share

// glibc's memcpy, called through a pointer the compiler cannot see through.
void* (*volatile glibcMemcpy)(void*, const void*, size_t) = &std::memcpy;

std::vector<uint8_t> Noise(const AudioFormat& format) {
    std::vector<uint8_t> bytes(static_cast<size_t>(format.rate) * static_cast<size_t>(format.BytesPerFrame()));
    uint32_t value = 12345;
    for (size_t i = 0; i < bytes.size(); ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<uint8_t>(value >> 16);
    }
    if (format.type == SampleType::F32) {
        // Floats within -1..1.
        for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            float v = static_cast<float>(bytes[i]) / 128.0f - 1.0f;
            std::memcpy(&bytes[i], &v, 4);
        }
    }
    return bytes;
}

void BM_MixFourSourcesOneSecond(benchmark::State& state) {
    const AudioFormat formats[] = {{8000, 1, SampleType::U8},
                                   {22050, 2, SampleType::S16},
                                   {48000, 2, SampleType::F32},
                                   {44100, 2, SampleType::S16}};
    std::vector<std::vector<uint8_t>> sounds;
    for (const auto& format : formats) sounds.push_back(Noise(format));
    std::vector<int16_t> out(kStepFrames * 2);
    for (auto _ : state) {
        state.PauseTiming();
        AudioMixer mixer;
        std::vector<std::shared_ptr<AudioSource>> sources;
        for (size_t i = 0; i < 4; ++i) {
            sources.push_back(mixer.Open(formats[i]));
            sources.back()->Put(sounds[i]);
            sources.back()->Finish();
        }
        state.ResumeTiming();
        for (size_t done = 0; done < kOutputFrames; done += kStepFrames) {
            size_t frames = std::min(kStepFrames, kOutputFrames - done);
            mixer.Mix(std::span<int16_t>(out.data(), frames * 2));
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kOutputBytes));
}
BENCHMARK(BM_MixFourSourcesOneSecond)->Unit(benchmark::kMicrosecond);

void BM_MemcpyOneSecond(benchmark::State& state) {
    std::vector<uint8_t> from(kOutputBytes, 0x5A), to(kOutputBytes);
    for (auto _ : state) {
        glibcMemcpy(to.data(), from.data(), kOutputBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kOutputBytes));
}
BENCHMARK(BM_MemcpyOneSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
