// The painter's hot paths on a full 1920 x 1080 frame, next to memset and
// memcpy of the same number of bytes: Fill and Copy should stay close to
// them (within 1.5x), since whole frames are filled and copied every step
// of a scene.
//
//   korv_drawing_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/painter.h"
#include "platform/surface.h"

namespace {

using korv::Point;
using korv::Rect;
using namespace korv::platform;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr size_t kFrameBytes = size_t{kWidth} * kHeight * sizeof(Pixel);

Surface Patterned(int width, int height) {
    Surface s(width, height);
    uint32_t value = 12345;
    for (Pixel& p : s.Pixels()) {
        value = value * 1103515245u + 12345u;
        p = (value >> 8) & 0x00FFFFFF;
    }
    return s;
}

void BM_Memset(benchmark::State& state) {
    std::vector<Pixel> frame(size_t{kWidth} * kHeight);
    for (auto _ : state) {
        std::memset(frame.data(), 0x5A, kFrameBytes);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_Memset);

void BM_Fill(benchmark::State& state) {
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    Colour colour = Rgb(10, 20, 30);
    for (auto _ : state) {
        painter.Fill(frame.Bounds(), colour);
        benchmark::DoNotOptimize(frame.Pixels().data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_Fill);

// Not whole rows: one std::fill per row.
void BM_FillInset(benchmark::State& state) {
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.Fill({1, 0, kWidth - 1, kHeight}, Rgb(10, 20, 30));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (kWidth - 2) * kHeight * 4);
}
BENCHMARK(BM_FillInset);

void BM_Memcpy(benchmark::State& state) {
    std::vector<Pixel> from(size_t{kWidth} * kHeight, 0x00123456);
    std::vector<Pixel> to(size_t{kWidth} * kHeight);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_Memcpy);

void BM_Copy(benchmark::State& state) {
    Surface source = Patterned(kWidth, kHeight);
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.Copy({0, 0}, source, source.Bounds());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_Copy);

// Not whole rows: one memcpy per row.
void BM_CopyInset(benchmark::State& state) {
    Surface source = Patterned(kWidth, kHeight);
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.Copy({1, 0}, source, {0, 0, kWidth - 2, kHeight});
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (kWidth - 2) * kHeight * 4);
}
BENCHMARK(BM_CopyInset);

// Scrolling a frame one row down within itself (memmove, bottom-up).
void BM_CopyOverlapping(benchmark::State& state) {
    Surface frame = Patterned(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.Copy({0, 1}, frame, {0, 0, kWidth, kHeight - 1});
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * (kHeight - 1) * 4);
}
BENCHMARK(BM_CopyOverlapping);

void BM_CopyOr(benchmark::State& state) {
    Surface source = Patterned(kWidth, kHeight);
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.Copy({0, 0}, source, source.Bounds(), RasterOp::Or);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_CopyOr);

void BM_StretchCopy(benchmark::State& state) {
    Surface source = Patterned(1280, 720);
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.StretchCopy(frame.Bounds(), source, source.Bounds());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_StretchCopy);

void BM_KeyedCopy(benchmark::State& state) {
    Surface source = Patterned(400, 300);
    // A quarter of the sprite is the key colour.
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 100; ++x) source.Set(x, y, ColourToPixel(kKeyColour));
    }
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    for (auto _ : state) {
        painter.KeyedCopy({700, 400}, source, source.Bounds(), kKeyColour);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 400 * 300 * 4);
}
BENCHMARK(BM_KeyedCopy);

// A 1000-pixel line (1000 steps along x, 600 down), by pen width.
void BM_Line(benchmark::State& state) {
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    Pen pen{PenStyle::Solid, static_cast<int>(state.range(0)), Rgb(255, 0, 0)};
    for (auto _ : state) {
        painter.Line({100, 100}, {1100, 700}, pen);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000);
}
BENCHMARK(BM_Line)->Arg(1)->Arg(3);

void BM_LineDashed(benchmark::State& state) {
    Surface frame(kWidth, kHeight);
    Painter painter(frame);
    Pen pen{PenStyle::DashDotDot, 1, Rgb(255, 0, 0)};
    for (auto _ : state) {
        painter.Line({100, 100}, {1100, 700}, pen);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000);
}
BENCHMARK(BM_LineDashed);

}  // namespace
