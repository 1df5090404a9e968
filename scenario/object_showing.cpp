#include "scenario/object_showing.h"

#include "platform/painter.h"
#include "scenario/desktop_picture.h"
#include "scenario/movement.h"
#include "scenario/object_drawing.h"
#include "scenario/object_typing.h"
#include "scenario/scene_context.h"
#include "scenario/script_values.h"

namespace korv {

bool ShowObject(VisualObject& object, SceneContext& context, const PlacementBlock& shown, const ColourBlock& colour) {
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    LoadDesktopPicture(object, context);
    Size size = DisplaySize(object, screen);
    PlacementBlock placement = shown;
    if (!object.isText && object.fitScreen && object.keepAspect) {
        placement.anchorX1 = AnchorCentre;
        placement.anchorY1 = AnchorCentre;
    }
    ResolvePlacement(placement, size, screen, SeedSourcesOf(context));
    ColourBlock colours = colour;
    PickColour(colours, SeedSourcesOf(context));
    uint32_t clock = context.Clock().TickCount();
    placement.effect = PickEffect(placement.effect, clock, clock % 1000);
    object.placement = placement;
    object.colours = colours;
    object.position = {placement.curX, placement.curY};
    object.shownEffect = placement.effect;

    const bool typed = object.isText && placement.label;
    // Only a SHOW that asks for it saves the screen: HIDE of any other object
    // erases it, typed or not (the typewriter keeps its own copy while it types).
    object.saveUnderActive = placement.saveUnder != 0;
    if (object.saveUnderActive) {
        Rect area = Rect::FromSize(object.position.x, object.position.y, size.width, size.height);
        window.Draw([&](platform::Surface& surface) { object.savedUnder = platform::CopyRect(surface, area); });
    } else {
        object.savedUnder = platform::Surface();
    }

    if (typed) {
        TypeLabel(object, context);
        object.shown = true;
        return true;
    }
    if (!DrawObject(object, context)) return false;
    object.shown = true;
    return true;
}

void HideObject(VisualObject& object, SceneContext& context) {
    if (!object.shown) return;
    if (object.saveUnderActive) {
        context.Window().Draw([&](platform::Surface& surface) {
            platform::Painter(surface).Copy(object.position, object.savedUnder, object.savedUnder.Bounds());
        });
    } else {
        EraseObject(object, context);
    }
    object.saveUnderActive = false;
    object.savedUnder = platform::Surface();
    object.shown = false;
}

}  // namespace korv
