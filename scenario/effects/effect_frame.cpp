#include "scenario/effects/effect_frame.h"

#include <algorithm>

#include "scenario/calibrated_delay.h"
#include "scenario/scene_context.h"

namespace korv::effects {

void StepPainter::Picture(Rect from, Point to) {
    queue_.Add({{origin_.x + to.x, origin_.y + to.y}, &picture_, from});
}

void StepPainter::Old(Rect from, Point to) {
    if (old_) queue_.Add({{origin_.x + to.x, origin_.y + to.y}, old_, from});
}

void StepPainter::Flush() { queue_.DrawWith(painter_); }

void StepPainter::PictureAround(Rect outer, Rect inner) {
    if (outer.IsEmpty()) return;
    for (const Rect& strip : outer.StripsAround(inner))
        if (!strip.IsEmpty()) Picture(strip);
}

EffectFrame::EffectFrame(SceneContext& context, const EffectRun& run)
    : context_(context),
      position_(run.position),
      size_{run.area.Width(), run.area.Height()},
      speedValue_(run.speedValue),
      stepLength_(EffectStepLength(run.speedValue)),
      pauseValue_(run.speedValue) {
    if (run.picture && run.area == run.picture->Bounds()) {
        picture_ = run.picture;  // nothing to fill, nothing to cut
        return;
    }
    prepared_ = platform::Surface(run.area.Width(), run.area.Height());
    platform::Painter painter(prepared_);
    painter.Fill(prepared_.Bounds(), run.fill);
    if (run.picture) painter.Copy({0, 0}, *run.picture, run.area);
    picture_ = &prepared_;
}

void EffectFrame::Draw(const PaintStep& paint) { Paint(paint, context_.Window().FrameWaiting()); }

bool EffectFrame::DrawWhole(const PaintStep& paint) {
    if (context_.Window().FrameWaiting()) return false;
    Paint(paint, false);
    return true;
}

void EffectFrame::Finish() {
    if (!queue_.Empty()) Paint([](StepPainter&) {}, false);
}

void EffectFrame::Paint(const PaintStep& paint, bool holdCopies) {
    context_.Window().Draw([&](platform::Surface& screen) {
        Rect target = Rect::FromSize(position_.x, position_.y, size_.width, size_.height);
        if (keepOld_ && !oldTaken_) {
            old_ = platform::CopyRect(screen, target);
            oldTaken_ = true;
        }
        platform::Painter painter(screen);
        painter.SetClip(target);
        StepPainter step(painter, position_, *picture_, keepOld_ ? &old_ : nullptr, queue_);
        paint(step);
        queue_.EndStep(painter);
        if (!holdCopies) step.Flush();
    });
    ++draws_;
}

void EffectFrame::Pause() {
    if (pausing_ && !CalibratedDelay(context_, pauseValue_, 1000.0)) pausing_ = false;
}

void Sweep(EffectFrame& frame, int total, int stride, const SweepStep& step) {
    stride = std::max(stride, 1);
    for (int before = 0; before < total;) {
        int done = static_cast<int>(std::min<int64_t>(int64_t{before} + stride, total));
        frame.Step([&](StepPainter& painter) { step(painter, before, done); });
        before = done;
    }
}

int Share(int length, int progress, int full) {
    if (full <= 0) return length;
    return static_cast<int>(int64_t{length} * progress / full);
}

}  // namespace korv::effects
