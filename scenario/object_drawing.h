#pragma once
// Drawing pictures and texts of a scenario on the window: the size they
// take, drawing with the plain, full-screen and transition effects, and
// erasing.

#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry.h"
#include "platform/surface.h"
#include "scenario/visual_object.h"

namespace korv {

class SceneContext;

inline constexpr const char* kBitmapFailedMessage = "Image conversion failed, skipping this image";

// The size the object takes on a screen of `screen`.
Size DisplaySize(const VisualObject& object, Size screen);

// Draws the placed object (object.placement, object.colours, position) with
// its entry effect; false (after a message) when no bitmap can be made.
bool DrawObject(VisualObject& object, SceneContext& context);

// Draws `bitmap` (the object's, or a part of a typed text) at `at` with the
// object's effect: keyed for a transparent text, merged with the screen
// under it when an effect brings it in. `underneath`, when given, paints the
// screen under the bitmap first, in the same frame as the bitmap (or, with a
// transition effect, before the effect starts).
void PresentBitmap(VisualObject& object, SceneContext& context, std::shared_ptr<const platform::Surface> bitmap, Point at,
                   const std::function<void(platform::Surface&)>& underneath = {});

// Fills the object's area with the window's background: the whole screen
// after a full-screen or transition effect, else its own rectangle.
void EraseObject(VisualObject& object, SceneContext& context);

// The source area of a picture of `size` at `at` on `screen` once cut to
// the screen, and where that area lands.
struct ClippedArea {
    Rect area;
    Point position;
};
ClippedArea ClipToScreen(Size size, Point at, Size screen);

}  // namespace korv
