#include "scenario/object_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/colour.h"
#include "platform/message_box.h"
#include "platform/painter.h"
#include "scenario/effect_renderer.h"
#include "scenario/effects/effect_plan.h"
#include "scenario/scene_context.h"

namespace korv {

namespace {


// The text `bitmap` drawn keyed over a copy of the screen's `box`.
platform::Surface ComposeOverScreen(const platform::Surface& screen, const platform::Surface& bitmap, Rect box) {
    platform::Surface merged = platform::CopyRect(screen, box);
    platform::Painter(merged).KeyedCopy({0, 0}, bitmap, bitmap.Bounds(), platform::kKeyColour);
    return merged;
}

// The speed value of the renderer, kept far from the ends of int.
int SpeedValueOf(int32_t effectSpeed) {
    int64_t value = 1100 - int64_t{effectSpeed};
    return static_cast<int>(std::clamp<int64_t>(value, -1'000'000, 1'000'000));
}

}  // namespace

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

ClippedArea ClipToScreen(Size size, Point at, Size screen) {
    int64_t left = 0, top = 0, right = size.width, bottom = size.height;
    Point position = at;
    if (at.x < 0) {
        left = -int64_t{at.x};
        position.x = 0;
    }
    if (at.y < 0) {
        top = -int64_t{at.y};
        position.y = 0;
    }
    right = std::min<int64_t>(right, int64_t{screen.width} - at.x);
    bottom = std::min<int64_t>(bottom, int64_t{screen.height} - at.y);
    if (right <= left || bottom <= top) return {Rect{}, position};
    return {Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)}, position};
}

void PresentBitmap(VisualObject& object, SceneContext& context, std::shared_ptr<const platform::Surface> shared,
                   Point at, const std::function<void(platform::Surface&)>& underneath) {
    // Read only, unless a transparent text is merged with the screen below.
    const platform::Surface* bitmapOf = shared.get();
    platform::Surface merged;
    SceneWindow& window = context.Window();
    const int32_t effect = object.shownEffect;
    const EffectPlan plan = ResolveEffect(effect);
    const bool keyed = object.isText && !object.opaque;
    const Rect box = Rect::FromSize(at.x, at.y, bitmapOf->Width(), bitmapOf->Height());
    auto prepare = [&](platform::Surface& surface) {
        if (underneath) underneath(surface);
        // A transparent text that enters with an effect brings the screen
        // under it along: the effect runs on the text merged with that screen.
        if (keyed && plan.kind != EffectKind::Plain) {
            merged = ComposeOverScreen(surface, *bitmapOf, box);
            bitmapOf = &merged;
        }
    };
    // Plain and full-screen copies are drawn at once; every other number is
    // the renderer's, which draws nothing for one it does not know.
    if (plan.kind == EffectKind::Plain || plan.kind == EffectKind::FullScreen) {
        window.Draw([&](platform::Surface& surface) {
            prepare(surface);
            if (keyed && plan.kind == EffectKind::Plain)
                platform::Painter(surface).KeyedCopy(at, *bitmapOf, bitmapOf->Bounds(), platform::kKeyColour);
            else
                platform::Painter(surface).Copy(at, *bitmapOf, bitmapOf->Bounds());
        });
        return;
    }
    if (underneath || keyed) window.Draw(prepare);
    EffectRun run;
    run.effectNumber = effect;
    run.picture = bitmapOf;
    // An unclipped family (the fades) draws the whole picture and leaves
    // clipping to the window.
    ClippedArea clipped = plan.Unclipped() ? ClippedArea{bitmapOf->Bounds(), at}
                                           : ClipToScreen({bitmapOf->Width(), bitmapOf->Height()}, at, window.ClientSize());
    run.area = clipped.area;
    run.position = clipped.position;
    run.fill = object.colours.useWindowColour == 1 ? window.GetBackground()
                                                   : platform::StoredToColour(object.colours.colour);
    run.speedValue = SpeedValueOf(object.placement.effectSpeed);
    RunEffect(context, run);
}

bool DrawObject(VisualObject& object, SceneContext& context) {
    Size screen = context.Window().ClientSize();
    std::shared_ptr<const platform::Surface> bitmap;
    const bool fullScreen = ResolveEffect(object.shownEffect).kind == EffectKind::FullScreen;
    Size size = fullScreen ? screen : DisplaySize(object, screen);
    if (size.width > 0 && size.height > 0) bitmap = context.Pictures().SharedBitmap(object, size);
    if (!bitmap) {
        platform::ShowMessageBox(kBitmapFailedMessage);
        return false;
    }
    PresentBitmap(object, context, std::move(bitmap), fullScreen ? Point{0, 0} : object.position);
    return true;
}

void EraseObject(VisualObject& object, SceneContext& context) {
    SceneWindow& window = context.Window();
    Size screen = window.ClientSize();
    Size size = DisplaySize(object, screen);
    Rect area = ResolveEffect(object.shownEffect).kind == EffectKind::Plain
                    ? Rect::FromSize(object.position.x, object.position.y, size.width, size.height)
                    : Rect{0, 0, screen.width, screen.height};
    platform::Colour background = window.GetBackground();
    // One fill under the window's drawing lock: the next frame shows the
    // whole rectangle erased at once.
    window.Draw([&](platform::Surface& surface) { platform::Painter(surface).Fill(area, background); });
    object.shown = false;
}

}  // namespace korv
