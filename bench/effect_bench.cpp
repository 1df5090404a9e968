// Transition effects on a full 1920 x 1080 area: a whole run per iteration,
// with the time per step (one draw into the window) as a counter. Runs at
// the fastest effect speed on a virtual clock, so no pause or fade pacing
// is measured, only drawing. BM_MemcpyReference copies one full frame with
// glibc's memcpy (called through a pointer, so it is never inlined): a fade
// or blend level should cost at most about twice one such copy.
//
//   korv_effect_bench --benchmark_counters_tabular=true
//   korv_effect_bench --benchmark_filter='Effect/(17|44)$'

#include <benchmark/benchmark.h>

#include "bench/min_max.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_scene.h"
#include "scenario/effect_renderer.h"

namespace {

using namespace korv;
using namespace korv::bench;
using platform::Surface;

void RunFullScreen(benchmark::State& state, int number) {
    const Surface picture = Patterned(1);
    SurfaceScene scene(Patterned(7));
    EffectRun run;
    run.effectNumber = number;
    run.picture = &picture;
    run.area = picture.Bounds();
    run.speedValue = 1000;  // effect speed 100: no pauses
    for (auto _ : state) {
        RunEffect(scene, run);
        benchmark::ClobberMemory();
    }
    // Seconds per step.
    state.counters["step"] = benchmark::Counter(static_cast<double>(scene.window.draws),
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["steps"] = static_cast<double>(scene.window.draws) / static_cast<double>(state.iterations());
}

void* (*volatile glibcMemcpy)(void*, const void*, size_t) = std::memcpy;

void BM_MemcpyReference(benchmark::State& state) {
    const Surface picture = Patterned(1);
    const size_t bytes = static_cast<size_t>(picture.Width()) * picture.Height() * sizeof(platform::Pixel);
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        glibcMemcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.counters["step"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One row per effect: the whole run, from preparing its surface to the
// last step, and the time per step.
void BM_Effect(benchmark::State& state) { RunFullScreen(state, static_cast<int>(state.range(0))); }

BENCHMARK(BM_MemcpyReference)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Effect)->DenseRange(4, 87)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond);

}  // namespace
