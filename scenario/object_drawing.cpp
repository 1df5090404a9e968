#include "scenario/object_drawing.h"

#include <cmath>

#include "platform/message_box.h"
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

}  // namespace korv
