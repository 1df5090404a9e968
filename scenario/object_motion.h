#pragma once
// MOVE: an object travelling across the screen without flicker.

#include "scenario/parameter_blocks.h"

namespace korv {

class SceneContext;
class VisualObject;

// Places the move's two points for the object, then steps it from the start
// to the end, redrawing only the union of its old and new places and
// pausing by the move's speed between steps; a stop ends it early.
void MoveObject(VisualObject& object, SceneContext& context, const PlacementBlock& move, const ColourBlock& colour);

}  // namespace korv
