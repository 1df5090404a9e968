#include "scenario/object_drawing.h"

#include <cmath>

#include "platform/message_box.h"
#include "scenario/calibrated_delay.h"
#include "platform/painter.h"
#include "scenario/movement.h"
#include "scenario/scene_context.h"
#include "scenario/script_values.h"

namespace korv {

Size DisplaySize(const VisualObject& object, Size screen) {
    if (object.isText) return {object.naturalWidth, object.naturalHeight};
    if (object.fitScreen && object.keepAspect && screen.width > 0 && screen.height > 0) {
        double rx = static_cast<double>(object.naturalWidth) / screen.width;
        double ry = static_cast<double>(object.naturalHeight) / screen.height;
        double r = std::max(rx, ry);
        if (r <= 0) return screen;
        return {static_cast<int>(std::trunc(object.naturalWidth / r)), static_cast<int>(std::trunc(object.naturalHeight / r))};
    }
    if (object.fitScreen) return screen;
    if (object.width != 0 || object.height != 0) return {object.width, object.height};
    return {object.naturalWidth, object.naturalHeight};
}

bool ShowObject(VisualObject& object, SceneContext& context, const PlacementBlock& shown, const ColourBlock& colour) {
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    Size size = DisplaySize(object, screen);
    PlacementBlock placement = shown;
    if (!object.isText && object.fitScreen && object.keepAspect) {
        placement.anchorX1 = AnchorCentre;
        placement.anchorY1 = AnchorCentre;
    }
    ResolvePlacement(placement, size, screen, SeedSourcesOf(context));
    uint32_t clock = context.Clock().TickCount();
    int32_t effect = PickEffect(placement.effect, clock, clock % 1000);
    object.position = {placement.curX, placement.curY};
    object.shownEffect = effect;

    bool fullScreen = effect == 1 || effect == 2;
    Size bitmapSize = fullScreen ? screen : size;
    ScenePictureServices services = CurrentScenePictureServices();
    std::optional<platform::Surface> bitmap;
    if (services.createBitmap && bitmapSize.width > 0 && bitmapSize.height > 0)
        bitmap = services.createBitmap(object, bitmapSize);
    if (!bitmap) {
        platform::ShowMessageBox(kBitmapFailedMessage);
        return false;
    }

    Rect area = fullScreen ? Rect{0, 0, screen.width, screen.height}
                           : Rect::FromSize(object.position.x, object.position.y, size.width, size.height);
    bool keyed = object.isText && !object.opaque;
    window.Draw([&](platform::Surface& surface) {
        object.saveUnderActive = placement.saveUnder != 0 || (keyed && placement.label);
        if (object.saveUnderActive) object.savedUnder = platform::CopyRect(surface, area);
        platform::Painter painter(surface);
        if (keyed)
            painter.KeyedCopy({area.left, area.top}, *bitmap, bitmap->Bounds(), platform::Rgb(224, 224, 224));
        else
            painter.Copy({area.left, area.top}, *bitmap, bitmap->Bounds());
    });
    (void)colour;
    object.shown = true;
    return true;
}

void HideObject(VisualObject& object, SceneContext& context) {
    if (!object.shown) return;
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    platform::ColourRef background = window.GetBackground();
    window.Draw([&](platform::Surface& surface) {
        platform::Painter painter(surface);
        if (object.saveUnderActive) {
            painter.Copy(object.position, object.savedUnder, object.savedUnder.Bounds());
            return;
        }
        Size size = DisplaySize(object, screen);
        Rect area = object.shownEffect == 0 ? Rect::FromSize(object.position.x, object.position.y, size.width, size.height)
                                            : Rect{0, 0, screen.width, screen.height};
        painter.Fill(area, background);
    });
    object.saveUnderActive = false;
    object.savedUnder = platform::Surface();
    object.shown = false;
}

namespace {

// One move step: the object leaves `from` and stands at `to`.
void RedrawMoved(VisualObject& object, SceneContext& context, const platform::Surface& bitmap,
                 const platform::Surface& screenCopy, bool keepBackground, Point from, Point to) {
    SceneWindow& window = context.Window();
    const bool keyed = object.isText && !object.opaque;
    const Rect oldRect = Rect::FromSize(from.x, from.y, bitmap.Width(), bitmap.Height());
    const Rect newRect = Rect::FromSize(to.x, to.y, bitmap.Width(), bitmap.Height());
    platform::ColourRef background = window.GetBackground();
    window.Draw([&](platform::Surface& surface) {
        platform::Painter screen(surface);
        auto drawObject = [&](platform::Painter& painter, Point at) {
            if (keyed)
                painter.KeyedCopy(at, bitmap, bitmap.Bounds(), platform::Rgb(224, 224, 224));
            else
                painter.Copy(at, bitmap, bitmap.Bounds());
        };
        if (oldRect.Intersect(newRect).IsEmpty()) {
            // Far apart: erase the old place, draw at the new one.
            screen.Fill(oldRect, background);
            drawObject(screen, to);
            return;
        }
        // Overlapping: compose the union off-screen and show it in one copy,
        // so no frame ever shows the object missing.
        Rect unite{std::min(oldRect.left, newRect.left), std::min(oldRect.top, newRect.top),
                   std::max(oldRect.right, newRect.right), std::max(oldRect.bottom, newRect.bottom)};
        platform::Surface composed(unite.Width(), unite.Height());
        platform::Painter off(composed);
        if (keyed || keepBackground)
            off.Copy({0, 0}, screenCopy, unite);
        else
            off.Fill(composed.Bounds(), background);
        // What neither rectangle covers stays as the live screen shows it.
        for (int y = unite.top; y < unite.bottom; ++y)
            for (int x = unite.left; x < unite.right; ++x)
                if (!oldRect.Contains(x, y) && !newRect.Contains(x, y) && surface.Bounds().Contains(x, y))
                    composed.Set(x - unite.left, y - unite.top, surface.At(x, y));
        drawObject(off, {to.x - unite.left, to.y - unite.top});
        screen.Copy({unite.left, unite.top}, composed, composed.Bounds());
    });
    object.position = to;
}

}  // namespace

void MoveObject(VisualObject& object, SceneContext& context, const PlacementBlock& move, const ColourBlock& colour) {
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    Size size = DisplaySize(object, screen);
    PlacementBlock placement = move;
    ResolvePlacement(placement, size, screen, SeedSourcesOf(context));
    ScenePictureServices services = CurrentScenePictureServices();
    std::optional<platform::Surface> bitmap;
    if (services.createBitmap && size.width > 0 && size.height > 0) bitmap = services.createBitmap(object, size);
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
}

}  // namespace korv
