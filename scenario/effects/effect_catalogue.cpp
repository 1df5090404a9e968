#include "scenario/effects/effect_catalogue.h"

#include "scenario/effects/families.h"

namespace korv {

namespace {

using namespace effects;

// Each family's numbers in the order of its variants (described in the
// family's file).
constexpr int kFades[] = {4, 65};
constexpr int kDissolves[] = {5, 6, 13, 14};
constexpr int kBoxWipes[] = {7, 8};
constexpr int kCornerReveals[] = {9, 10};
constexpr int kBlinds[] = {11, 12};
constexpr int kCombSlides[] = {15, 16};
constexpr int kCheckerboards[] = {17, 18, 19, 20};
constexpr int kSlides[] = {21, 22, 23, 24};
constexpr int kDiagonalSlides[] = {25, 26, 27, 28};
constexpr int kUncovers[] = {29, 30, 31, 32};
constexpr int kSplitPushes[] = {33, 34, 35, 36, 45, 46, 47, 48};
constexpr int kLineWipes[] = {37, 38, 39, 40};
constexpr int kPushes[] = {41, 42, 43, 44};
constexpr int kTwoLineWipes[] = {49, 50, 51, 52};
constexpr int kTwoHalfSlides[] = {53, 55};
constexpr int kCentreSplits[] = {54, 56, 62, 64};
constexpr int kStaircases[] = {57, 58, 59};
constexpr int kMultiLineWipes[] = {60, 61, 63};
constexpr int kPixelBlends[] = {66};
constexpr int kInterleavedBars[] = {67, 68, 69, 70};
constexpr int kBarPushes[] = {71, 72, 73, 74};
constexpr int kCellSpirals[] = {75, 76};
constexpr int kGrowingReveals[] = {77, 78, 79, 80, 81, 84, 85, 87};
constexpr int kColumnPairs[] = {82, 83, 86};

constexpr EffectFamily kFamilies[] = {
    {kFades, RunFade, true},
    {kDissolves, RunDissolve},
    {kBoxWipes, RunBoxWipe},
    {kCornerReveals, RunCornerReveal},
    {kBlinds, RunBlinds},
    {kCombSlides, RunCombSlide},
    {kCheckerboards, RunCheckerboard},
    {kSlides, RunSlide},
    {kDiagonalSlides, RunDiagonalSlide},
    {kUncovers, RunUncover},
    {kSplitPushes, RunSplitPush},
    {kLineWipes, RunLineWipe},
    {kPushes, RunPush},
    {kTwoLineWipes, RunTwoLineWipe},
    {kTwoHalfSlides, RunTwoHalfSlide},
    {kCentreSplits, RunCentreSplit},
    {kStaircases, RunStaircase},
    {kMultiLineWipes, RunMultiLineWipe},
    {kPixelBlends, RunPixelBlend},
    {kInterleavedBars, RunInterleavedBars},
    {kBarPushes, RunBarPush},
    {kCellSpirals, RunCellSpiral},
    {kGrowingReveals, RunGrowingReveal},
    {kColumnPairs, RunColumnPairs},
};

}  // namespace

std::span<const EffectFamily> EffectCatalogue() { return kFamilies; }

}  // namespace korv
