#pragma once
// Drawing pictures and texts of a scenario on the window: the size they
// take, SHOW with its plain and full-screen forms, HIDE with or without the
// screen saved under the object.

#include "platform/geometry.h"
#include "scenario/parameter_blocks.h"
#include "scenario/visual_object.h"

namespace korv {

class SceneContext;

inline constexpr const char* kBitmapFailedMessage = "Image conversion failed, skipping this image";

// The size the object takes on a screen of `screen`.
Size DisplaySize(const VisualObject& object, Size screen);

// SHOW: places the object by `placement`, saves the screen under it when
// asked, and draws it. False (after a message) when no bitmap can be made.
bool ShowObject(VisualObject& object, SceneContext& context, const PlacementBlock& placement,
                const ColourBlock& colour);

// HIDE: puts the saved screen back, or fills the object's area (the whole
// screen after a full-screen or transition effect) with the background.
void HideObject(VisualObject& object, SceneContext& context);

}  // namespace korv

namespace korv {

// MOVE: places the move's two points for the object, then steps it from the
// start to the end, redrawing only the union of its old and new places and
// pausing by the move's speed between steps; a stop ends it early.
void MoveObject(VisualObject& object, SceneContext& context, const PlacementBlock& move, const ColourBlock& colour);

}  // namespace korv
