#pragma once
// The transition effects by number: every number from 4 to 87 belongs to
// exactly one family, and its place in the family's list is the variant
// (edge, corner, direction or shape) the family runs for it.

#include <span>

namespace korv {

namespace effects {
class EffectFrame;
}

inline constexpr int kFirstEffect = 4;
inline constexpr int kLastEffect = 87;

struct EffectFamily {
    // The family's effect numbers; variant v is numbers[v].
    std::span<const int> numbers;
    // Runs variant `variant` in a prepared frame.
    void (*run)(effects::EffectFrame& frame, int variant);
    // The family draws the whole picture and leaves clipping to the window
    // (the fades) instead of being given the part on the screen.
    bool unclipped = false;
};

// Every family, in the order of their first numbers.
std::span<const EffectFamily> EffectCatalogue();

}  // namespace korv
