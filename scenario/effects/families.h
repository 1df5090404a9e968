#pragma once
// The effect families. Each runs one of its variants (edge, corner,
// direction or shape) in a prepared frame; the catalogue gives the numbers
// of each family in the order of its variants, and each family's file
// describes them.

#include "scenario/effects/effect_frame.h"

namespace korv::effects {

void RunFade(EffectFrame& frame, int variant);
void RunDissolve(EffectFrame& frame, int variant);
void RunBoxWipe(EffectFrame& frame, int variant);
void RunCornerReveal(EffectFrame& frame, int variant);
void RunBlinds(EffectFrame& frame, int variant);
void RunCombSlide(EffectFrame& frame, int variant);
void RunCheckerboard(EffectFrame& frame, int variant);
void RunSlide(EffectFrame& frame, int variant);
void RunDiagonalSlide(EffectFrame& frame, int variant);
void RunUncover(EffectFrame& frame, int variant);
void RunSplitPush(EffectFrame& frame, int variant);
void RunLineWipe(EffectFrame& frame, int variant);
void RunPush(EffectFrame& frame, int variant);
void RunTwoLineWipe(EffectFrame& frame, int variant);
void RunTwoHalfSlide(EffectFrame& frame, int variant);
void RunCentreSplit(EffectFrame& frame, int variant);
void RunStaircase(EffectFrame& frame, int variant);
void RunMultiLineWipe(EffectFrame& frame, int variant);
void RunPixelBlend(EffectFrame& frame, int variant);
void RunInterleavedBars(EffectFrame& frame, int variant);
void RunBarPush(EffectFrame& frame, int variant);
void RunCellSpiral(EffectFrame& frame, int variant);
void RunGrowingReveal(EffectFrame& frame, int variant);
void RunColumnPairs(EffectFrame& frame, int variant);

}  // namespace korv::effects
