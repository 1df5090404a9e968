// Comb slides (15, 16): the area is cut into bands 8 pixels thick whose
// parts of the picture slide in from alternate sides and meet. 15 has
// horizontal bands, the even ones entering from the right and the odd ones
// from the left; 16 vertical bands, even from the top and odd from the
// bottom.

#include <algorithm>
#include <vector>

#include "scenario/effects/families.h"
#include "scenario/effects/moves.h"

namespace korv::effects {

void RunCombSlide(EffectFrame& frame, int variant) {
    constexpr int kBand = 8;
    const int width = frame.Width(), height = frame.Height();
    const bool horizontal = variant == 0;  // 15
    std::vector<Mover> bands;
    for (int band = 0, at = 0; at < (horizontal ? height : width); ++band, at += kBand) {
        if (horizontal)
            bands.push_back({{0, at, width, std::min(at + kBand, height)}, band % 2 == 0 ? Edge::Right : Edge::Left});
        else
            bands.push_back({{at, 0, std::min(at + kBand, width), height}, band % 2 == 0 ? Edge::Top : Edge::Bottom});
    }
    MoveTogether(frame, Motion::Slide, bands);
}

}  // namespace korv::effects
