#pragma once
// Transition effects: how SHOW brings a picture onto the screen gradually
// (numbers 4 to 87). The renderer draws straight into the window, a small
// piece per step, with a calibrated pause after each step, so an effect
// runs at the same speed on fast and slow machines.

#include "scenario/effects/effect_run.h"

namespace korv {

class SceneContext;

// Runs the effect and returns when the whole area is on the screen. A stop
// request cuts the pauses short; the effect then finishes without pausing.
// Numbers outside 4–87 and empty areas draw nothing.
void RunEffect(SceneContext& context, const EffectRun& run);

}  // namespace korv
