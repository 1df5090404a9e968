#include "scenario/object_motion.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/message_box.h"
#include "platform/painter.h"
#include "scenario/calibrated_delay.h"
#include "scenario/desktop_picture.h"
#include "scenario/movement.h"
#include "scenario/object_drawing.h"
#include "scenario/scene_context.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

// One move step: the object leaves `from` and stands at `to`.
void RedrawMoved(VisualObject& object, SceneContext& context, const platform::Surface& bitmap,
                 const platform::Surface& screenCopy, bool keepBackground, Point from, Point to) {
    SceneWindow& window = context.Window();
    const bool keyed = object.isText && !object.opaque;
    const Rect oldRect = Rect::FromSize(from.x, from.y, bitmap.Width(), bitmap.Height());
    const Rect newRect = Rect::FromSize(to.x, to.y, bitmap.Width(), bitmap.Height());
    platform::Colour background = window.GetBackground();
    const Size screenSize = window.ClientSize();
    const Rect screenRect{0, 0, screenSize.width, screenSize.height};
    object.position = to;
    // A step wholly off the screen changes nothing there.
    if (oldRect.Intersect(screenRect).IsEmpty() && newRect.Intersect(screenRect).IsEmpty()) return;
    window.Draw([&](platform::Surface& surface) {
        platform::Painter screen(surface);
        auto drawObject = [&](platform::Painter& painter, Point at) {
            if (keyed)
                painter.KeyedCopy(at, bitmap, bitmap.Bounds(), platform::kKeyColour);
            else
                painter.Copy(at, bitmap, bitmap.Bounds());
        };
        if (oldRect.Intersect(newRect).IsEmpty()) {
            // Far apart: erase the old place, draw at the new one.
            screen.Fill(oldRect, background);
            drawObject(screen, to);
            return;
        }
        // Overlapping. The presenter composes only under the drawing lock,
        // so everything drawn here shows in one frame and the object is
        // never seen missing: what the object leaves (its old place less its
        // new one) is refilled, then it is drawn at the new place.
        for (const Rect& strip : oldRect.StripsAround(newRect)) {
            if (strip.IsEmpty()) continue;
            if (keyed || keepBackground)
                screen.Copy({strip.left, strip.top}, screenCopy, strip);
            else
                screen.Fill(strip, background);
        }
        // A keyed text shows the screen of the move's start through its holes.
        if (keyed) screen.Copy({newRect.left, newRect.top}, screenCopy, newRect);
        drawObject(screen, to);
    });
}

}  // namespace

void MoveObject(VisualObject& object, SceneContext& context, const PlacementBlock& move, const ColourBlock& colour) {
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    LoadDesktopPicture(object, context);  // a desktop or wallpaper picture moved before any SHOW
    Size size = DisplaySize(object, screen);
    PlacementBlock placement = move;
    ResolvePlacement(placement, size, screen, SeedSourcesOf(context));
    std::shared_ptr<const platform::Surface> bitmap;  // only read: a kept picture is shared
    if (size.width > 0 && size.height > 0) bitmap = context.Pictures().SharedBitmap(object, size);
    if (!bitmap) {
        platform::ShowMessageBox(kBitmapFailedMessage);
        return;
    }
    platform::Surface screenCopy;
    window.Draw([&](platform::Surface& surface) {
        screenCopy = platform::CopyRect(surface, surface.Bounds());
        if (placement.saveUnder) {
            // The screen where the object will stop, before it arrives there.
            object.savedUnder = platform::CopyRect(surface, Rect::FromSize(placement.x2, placement.y2, size.width, size.height));
            object.saveUnderActive = true;
        } else {
            // A screen saved by an earlier SHOW or MOVE belongs to the old
            // place; HIDE must erase the object where it stops instead.
            object.saveUnderActive = false;
            object.savedUnder = platform::Surface();
        }
    });
    ColourBlock colours = colour;
    PickColour(colours, SeedSourcesOf(context));
    Point at{placement.curX, placement.curY};
    if (!object.shown) object.position = at;
    RedrawMoved(object, context, *bitmap, screenCopy, placement.keepBackground != 0, object.position, at);
    object.shown = true;
    object.shownEffect = 0;
    for (;;) {
        bool ended = StepPlacement(placement);
        if (!ended && !CalibratedDelay(context, placement.speedPeriod, 100000.0)) break;
        if (context.Stopped()) break;
        PickColour(colours, SeedSourcesOf(context));
        RedrawMoved(object, context, *bitmap, screenCopy, placement.keepBackground != 0, object.position,
                    {placement.curX, placement.curY});
        if (ended) break;
    }
    object.placement = placement;
    object.colours = colours;
}

}  // namespace korv
