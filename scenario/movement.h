#pragma once
// Where objects stand and how they move: resolving a placement's anchors and
// random positions into screen coordinates, stepping a move along its line,
// and the random colours and effects of scenarios.

#include <cstdint>

#include "platform/geometry.h"
#include "scenario/parameter_blocks.h"

namespace korv {

class SceneContext;

// The figures a seed mixes in, read from the context.
struct SeedSources {
    uint32_t wallMilliseconds = 0;
    uint32_t tickBefore = 0;
    uint32_t tickAfter = 0;
    int32_t timesFigure = 0;
};
SeedSources SeedSourcesOf(SceneContext& context);

// Computes the points (anchors and random positions for an object of
// `objectSize` on a screen of `screen`), the leading axis, the step
// directions and the current position.
void ResolvePlacement(PlacementBlock& placement, Size objectSize, Size screen, const SeedSources& seeds);

// One step of a move; true when the move has ended.
bool StepPlacement(PlacementBlock& placement);

// A new random colour when the block asks for one.
void PickColour(ColourBlock& colour, const SeedSources& seeds);

// Effect 3 becomes a random effect from 4 to 87; other values stay.
int32_t PickEffect(int32_t effect, uint32_t tickCount, uint32_t wallMilliseconds);

}  // namespace korv
