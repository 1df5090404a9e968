#include "scenario/effects/effect_plan.h"

namespace korv {

EffectPlan ResolveEffect(int32_t number) {
    switch (number) {
        case 0: return {EffectKind::Plain};
        case 1: case 2: return {EffectKind::FullScreen};
        case 3: return {EffectKind::Random};
        default: break;
    }
    for (const EffectFamily& family : EffectCatalogue())
        for (size_t variant = 0; variant < family.numbers.size(); ++variant)
            if (family.numbers[variant] == number)
                return {EffectKind::Transition, &family, static_cast<int>(variant)};
    return {};
}

}  // namespace korv
