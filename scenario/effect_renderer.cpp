#include "scenario/effect_renderer.h"

#include "scenario/effects/effect_frame.h"
#include "scenario/effects/effect_plan.h"

namespace korv {

void RunEffect(SceneContext& context, const EffectRun& run) {
    const EffectPlan plan = ResolveEffect(run.effectNumber);
    if (plan.kind != EffectKind::Transition || !run.picture || run.area.IsEmpty()) return;
    effects::EffectFrame frame(context, run);
    plan.family->run(frame, plan.variant);
    frame.Finish();
}

}  // namespace korv
