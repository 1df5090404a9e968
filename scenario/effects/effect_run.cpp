#include "scenario/effects/effect_run.h"

#include <algorithm>

namespace korv {

int EffectStepLength(int speedValue) {
    // Never below one line: speed values beyond 2100 come only from
    // negative effect speeds.
    return static_cast<int>(std::max<int64_t>((1100 - int64_t{speedValue}) / 1000 + 2, 1));
}

}  // namespace korv
