// One MOVE step of a 400 x 300 picture on a full-HD screen: the union of its
// old and new places composed off-screen and copied in one go. A move of
// 1000 one-pixel steps per iteration; the counter gives the time per step.
//
//   korv_move_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include "bench/min_max.h"

#include "bench/bench_scene.h"
#include "scenario/object_motion.h"
#include "scenario/visual_object.h"

namespace {

using namespace korv;
using namespace korv::bench;

// Every picture is one plain colour, made without decoding.
class PlainPictures : public ObjectPictures {
public:
    std::optional<Surface> CreateBitmap(VisualObject&, Size size) const override {
        Surface picture(size.width, size.height);
        for (platform::Pixel& p : picture.Pixels()) p = 0x00336699;
        return picture;
    }
};

void RunMove(benchmark::State& state, bool keepBackground) {
    PlainPictures plain;
    SurfaceScene scene(Patterned(7));
    scene.pictures = &plain;
    VisualObject picture;
    picture.naturalWidth = 400;
    picture.naturalHeight = 300;
    PlacementBlock move;
    move.x1 = 100;
    move.y1 = 200;
    move.x2 = 1100;
    move.y2 = 200;
    move.stepX = 1;
    move.keepBackground = keepBackground;
    for (auto _ : state) {
        picture.shown = false;
        MoveObject(picture, scene, move, {});
        benchmark::ClobberMemory();
    }
    state.counters["step"] = benchmark::Counter(static_cast<double>(scene.window.draws),
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MoveStepClearColour(benchmark::State& state) { RunMove(state, false); }
void BM_MoveStepKeepBackground(benchmark::State& state) { RunMove(state, true); }

BENCHMARK(BM_MoveStepClearColour)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveStepKeepBackground)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond);

}  // namespace
