#pragma once
// The frame every transition effect runs in: the prepared picture (the area
// over the fill colour), a copy of the old screen content for the effects
// that move it, one clipped draw per step and the calibrated pause after it.
//
// Rectangles and points handed to a StepPainter are in area coordinates:
// (0, 0) is the area's top-left corner, which lies at the run's position on
// the screen. Every copy is clipped to the area's screen rectangle, so an
// effect cannot draw outside it whatever it computes.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/geometry.h"
#include "platform/painter.h"
#include "platform/surface.h"
#include "scenario/effects/copy_queue.h"
#include "scenario/effects/effect_run.h"

namespace korv {

class SceneContext;

namespace effects {

class StepPainter {
public:
    StepPainter(platform::Painter& painter, Point origin, const platform::Surface& picture,
                const platform::Surface* old, CopyQueue& queue)
        : painter_(painter), origin_(origin), picture_(picture), old_(old), queue_(queue) {}

    // The picture's `from` at its final place.
    void Picture(Rect from) { Picture(from, {from.left, from.top}); }
    // The picture's `from` with its top-left corner at `to`.
    void Picture(Rect from, Point to);
    // The old screen content's `from` with its top-left corner at `to`
    // (nothing unless the frame keeps the old content).
    void Old(Rect from, Point to);
    // The picture over `outer` except `inner`, which lies within `outer`
    // (or is empty): what a growing rectangle adds to a smaller one.
    void PictureAround(Rect outer, Rect inner);

    // For effects that compute pixels themselves (fades, blends): the
    // screen, the part of it the area covers, and where the area's (0, 0)
    // lies on it.
    platform::Surface& Screen() {
        Flush();
        return painter_.Target();
    }
    // Draws the copies asked for so far, with those of earlier steps that
    // still wait (see CopyQueue), together (Painter::CopyMany).
    void Flush();
    Rect Target() const { return painter_.Clip(); }
    Point Origin() const { return origin_; }

private:
    platform::Painter& painter_;
    Point origin_;
    const platform::Surface& picture_;
    const platform::Surface* old_;
    CopyQueue& queue_;
};

using PaintStep = std::function<void(StepPainter&)>;

class EffectFrame {
public:
    // Prepares the picture: the area's size filled with the fill colour,
    // with the picture's area copied over it (the picture itself when it is
    // all of the area).
    EffectFrame(SceneContext& context, const EffectRun& run);

    SceneContext& Context() { return context_; }
    int Width() const { return size_.width; }
    int Height() const { return size_.height; }
    int SpeedValue() const { return speedValue_; }
    // Lines advanced per step by the line families (EffectStepLength).
    int StepLength() const { return stepLength_; }
    const platform::Surface& Picture() const { return *picture_; }

    // Keeps a copy of the screen under the area, taken inside the first
    // draw just before it paints (what lies off the screen reads black).
    void KeepOldContent() { keepOld_ = true; }
    const platform::Surface& Old() const { return old_; }

    // The value the pauses are calibrated with; the speed value unless an
    // effect paces itself differently.
    void SetPauseValue(double value) { pauseValue_ = value; }

    // One draw into the window, clipped to the area's screen rectangle. Its
    // copies wait while the screen has not shown the last ones yet (the
    // window's FrameWaiting); Finish draws what is left.
    void Draw(const PaintStep& paint);
    // A draw that paints the whole area itself (a fade's level, a blend's
    // mix): left out while the screen has not shown the last one, since the
    // next would cover it unseen. Returns whether it was drawn.
    bool DrawWhole(const PaintStep& paint);
    // Draws the copies that still wait; the effect's end.
    void Finish();
    // The pause after a step. Once a stop request has cut a pause short
    // there are no more pauses: the effect finishes at full speed.
    void Pause();
    // A draw followed by its pause.
    void Step(const PaintStep& paint) {
        Draw(paint);
        Pause();
    }

    int Draws() const { return draws_; }

private:
    void Paint(const PaintStep& paint, bool holdCopies);

    SceneContext& context_;
    Point position_;
    Size size_;
    int speedValue_;
    int stepLength_;
    double pauseValue_;
    bool pausing_ = true;
    bool keepOld_ = false;
    bool oldTaken_ = false;
    int draws_ = 0;
    // The prepared picture: the run's own picture when it is exactly the
    // area, else `prepared_`.
    const platform::Surface* picture_ = nullptr;
    platform::Surface prepared_;
    platform::Surface old_;
    CopyQueue queue_;
};

// Runs a sweep over `total` lines, `stride` lines per step (the last step
// takes what is left): step(painter, before, done) draws the change from
// `before` lines to `done` lines. Nothing happens when total ≤ 0.
using SweepStep = std::function<void(StepPainter&, int before, int done)>;
void Sweep(EffectFrame& frame, int total, int stride, const SweepStep& step);
// The same with the frame's step length as the stride.
inline void Sweep(EffectFrame& frame, int total, const SweepStep& step) {
    Sweep(frame, total, frame.StepLength(), step);
}

// `length` × progress / full, rounded towards zero (length may be negative):
// how far a side of `length` has come when the longest has come `progress`
// of `full`. Both reach their end together.
int Share(int length, int progress, int full);

}  // namespace effects
}  // namespace korv
