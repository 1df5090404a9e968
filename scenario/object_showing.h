#pragma once
// SHOW and HIDE of a picture or text: SHOW places the object and types or
// draws it, HIDE takes it off again, with or without the screen saved under
// it.

#include "scenario/parameter_blocks.h"
#include "scenario/visual_object.h"

namespace korv {

class SceneContext;

// SHOW: places the object by `placement`, saves the screen under it when
// asked, then types it (a text with a label) or draws it with its effect.
// False (after a message) when no bitmap can be made.
bool ShowObject(VisualObject& object, SceneContext& context, const PlacementBlock& placement,
                const ColourBlock& colour);

// HIDE: puts the saved screen back, or erases the object.
void HideObject(VisualObject& object, SceneContext& context);

}  // namespace korv
