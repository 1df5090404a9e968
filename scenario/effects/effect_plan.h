#pragma once
// What the effect number of a SHOW asks for, decoded in one place: nothing,
// a plain copy, a full-screen copy, a random transition or one variant of a
// family of the catalogue.

#include <cstdint>

#include "scenario/effects/effect_catalogue.h"

namespace korv {

enum class EffectKind {
    None,        // a number outside the set: nothing is drawn
    Plain,       // 0: copied at once at the object's place
    FullScreen,  // 1 and 2 alike: stretched over the whole screen, copied at once
    Random,      // 3: a transition picked at random when the object is shown
    Transition,  // 4–87: brought in gradually by a family of the catalogue
};

struct EffectPlan {
    EffectKind kind = EffectKind::None;
    // For a transition: the family and the variant it runs.
    const EffectFamily* family = nullptr;
    int variant = 0;

    // A transition given the whole picture rather than its part on the screen.
    bool Unclipped() const { return family && family->unclipped; }
};

EffectPlan ResolveEffect(int32_t number);

}  // namespace korv
