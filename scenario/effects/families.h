#pragma once
// The effect families. Each runs the effects of its numbers in a prepared
// frame; `number` picks the variant (edge, corner or direction).

#include "scenario/effects/effect_frame.h"

namespace korv::effects {

void RunFade(EffectFrame& frame, int number);               // 4, 65
void RunDissolve(EffectFrame& frame, int number);           // 5, 6, 13, 14
void RunBoxWipe(EffectFrame& frame, int number);            // 7, 8
void RunCornerReveal(EffectFrame& frame, int number);       // 9, 10
void RunBlinds(EffectFrame& frame, int number);             // 11, 12
void RunCombSlide(EffectFrame& frame, int number);          // 15, 16
void RunCheckerboard(EffectFrame& frame, int number);       // 17–20
void RunSlide(EffectFrame& frame, int number);              // 21–24
void RunDiagonalSlide(EffectFrame& frame, int number);      // 25–28
void RunUncover(EffectFrame& frame, int number);            // 29–32
void RunSplitPush(EffectFrame& frame, int number);          // 33–36, 45–48
void RunLineWipe(EffectFrame& frame, int number);           // 37–40
void RunPush(EffectFrame& frame, int number);               // 41–44
void RunTwoLineWipe(EffectFrame& frame, int number);        // 49–52
void RunTwoHalfSlide(EffectFrame& frame, int number);       // 53, 55
void RunCentreSplit(EffectFrame& frame, int number);        // 54, 56, 62, 64
void RunStaircase(EffectFrame& frame, int number);          // 57–59
void RunMultiLineWipe(EffectFrame& frame, int number);      // 60, 61, 63
void RunPixelBlend(EffectFrame& frame, int number);         // 66
void RunInterleavedBars(EffectFrame& frame, int number);    // 67–70
void RunBarPush(EffectFrame& frame, int number);            // 71–74
void RunCellSpiral(EffectFrame& frame, int number);         // 75, 76
void RunGrowingReveal(EffectFrame& frame, int number);      // 77–81, 84, 85, 87
void RunColumnPairs(EffectFrame& frame, int number);        // 82, 83, 86

}  // namespace korv::effects
