#include "scenario/effect_renderer.h"

#include "platform/painter.h"
#include "scenario/scene_context.h"

namespace korv {

int EffectStepLength(int speedValue) { return (1100 - speedValue) / 1000 + 2; }

void RunEffect(SceneContext& context, const EffectRun& run) {
    if (run.effectNumber < kFirstEffect || run.effectNumber > kLastEffect || !run.picture || run.area.IsEmpty()) return;
    context.Window().Draw([&](platform::Surface& surface) {
        platform::Painter(surface).Copy(run.position, *run.picture, run.area);
    });
}

}  // namespace korv
