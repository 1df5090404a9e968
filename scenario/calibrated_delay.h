#pragma once
// The pause between movement and transition steps. Its length is measured in
// stop-event polls, of which the machine's speed figure fill one second;
// instead of polling, the thread waits that long on the stop event, so a
// pause costs no processor time.

#include <cstdint>

#include "scenario/scene_context.h"

namespace korv {

// The number of polls the pause stands for: trunc(F × ((1 − v/F) × C) × 0.00001).
int64_t CalibratedPolls(double value, double fullScale, uint32_t speedFigure);

// Pauses for CalibratedPolls(...) / speed figure seconds, ending early when
// the scene stops; false when it did.
bool CalibratedDelay(SceneContext& context, double value, double fullScale);

}  // namespace korv
