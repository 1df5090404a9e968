#include "scenario/effect_renderer.h"

#include <algorithm>

#include "scenario/effects/effect_frame.h"
#include "scenario/effects/families.h"

namespace korv {

namespace {

using Family = void (*)(effects::EffectFrame&, int);

Family FamilyOf(int number) {
    using namespace effects;
    switch (number) {
        case 4: case 65: return RunFade;
        case 5: case 6: case 13: case 14: return RunDissolve;
        case 7: case 8: return RunBoxWipe;
        case 9: case 10: return RunCornerReveal;
        case 11: case 12: return RunBlinds;
        case 15: case 16: return RunCombSlide;
        case 17: case 18: case 19: case 20: return RunCheckerboard;
        case 21: case 22: case 23: case 24: return RunSlide;
        case 25: case 26: case 27: case 28: return RunDiagonalSlide;
        case 29: case 30: case 31: case 32: return RunUncover;
        case 33: case 34: case 35: case 36: case 45: case 46: case 47: case 48: return RunSplitPush;
        case 37: case 38: case 39: case 40: return RunLineWipe;
        case 41: case 42: case 43: case 44: return RunPush;
        case 49: case 50: case 51: case 52: return RunTwoLineWipe;
        case 53: case 55: return RunTwoHalfSlide;
        case 54: case 56: case 62: case 64: return RunCentreSplit;
        case 57: case 58: case 59: return RunStaircase;
        case 60: case 61: case 63: return RunMultiLineWipe;
        case 66: return RunPixelBlend;
        case 67: case 68: case 69: case 70: return RunInterleavedBars;
        case 71: case 72: case 73: case 74: return RunBarPush;
        case 75: case 76: return RunCellSpiral;
        case 77: case 78: case 79: case 80: case 81: case 84: case 85: case 87: return RunGrowingReveal;
        case 82: case 83: case 86: return RunColumnPairs;
        default: return nullptr;
    }
}

}  // namespace

int EffectStepLength(int speedValue) {
    // Never below one line: speed values beyond 2100 come only from
    // negative effect speeds.
    return static_cast<int>(std::max<int64_t>((1100 - int64_t{speedValue}) / 1000 + 2, 1));
}

void RunEffect(SceneContext& context, const EffectRun& run) {
    Family family = FamilyOf(run.effectNumber);
    if (!family || !run.picture || run.area.IsEmpty()) return;
    effects::EffectFrame frame(context, run);
    family(frame, run.effectNumber);
}

}  // namespace korv
