#include "scenario/object_typing.h"

#include <algorithm>

#include "platform/message_box.h"
#include "platform/painter.h"
#include "platform/text_encoding.h"
#include "scenario/object_drawing.h"
#include "scenario/scene_context.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

Rect Union(Rect a, Rect b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool Encloses(Rect outer, Rect inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

Typewriter::Typewriter(VisualObject& object, SceneContext& context)
    : object_(object), context_(context), characters_(platform::DecodeText(object.text, object.font.charSet)) {}

void Typewriter::KeepScreenUnder(const platform::Surface& surface, Rect box) {
    if (box.IsEmpty() || (!keptArea_.IsEmpty() && Encloses(keptArea_, box))) return;
    const Rect area = Union(keptArea_, box);
    platform::Surface grown = platform::CopyRect(surface, area);
    if (!keptArea_.IsEmpty())
        platform::Painter(grown).Copy({keptArea_.left - area.left, keptArea_.top - area.top}, kept_, kept_.Bounds());
    kept_ = std::move(grown);
    keptArea_ = area;
}

void Typewriter::PutBack(platform::Surface& surface, Rect area, Rect spared) const {
    if (area.IsEmpty() || kept_.Empty()) return;
    auto putBack = [&](Rect strip) {
        if (strip.IsEmpty()) return;
        platform::Painter(surface).Copy({strip.left, strip.top}, kept_, strip.Offset(-keptArea_.left, -keptArea_.top));
    };
    for (const Rect& strip : area.StripsAround(spared)) putBack(strip);
}

bool Typewriter::ShowLabelStep(size_t& counter) {
    while (counter < characters_.size() && (characters_[counter] == U'\n' || characters_[counter] == U'\r')) ++counter;
    if (counter >= characters_.size()) return false;
    const std::string part = platform::EncodeUtf8(std::u32string_view(characters_).substr(0, counter + 1));

    std::optional<platform::Surface> bitmap = context_.Pictures().CreateTextBitmap(object_, part);
    if (!bitmap) {
        platform::ShowMessageBox(kBitmapFailedMessage);
        return false;
    }
    // The partial box sits inside the full text's box by the alignment.
    const int fullWidth = object_.naturalWidth;
    Point at = object_.position;
    if (object_.align == AlignCentre)
        at.x += (fullWidth - bitmap->Width()) / 2;
    else if (object_.align == AlignRight)
        at.x += fullWidth - bitmap->Width();
    const Rect box = Rect::FromSize(at.x, at.y, bitmap->Width(), bitmap->Height());

    // An opaque part covers its own box; a transparent one covers nothing,
    // so the whole previous step goes.
    const Rect spared = object_.opaque ? box : Rect{};
    const Rect previous = lastBox_;
    PresentBitmap(object_, context_, std::make_shared<const platform::Surface>(std::move(*bitmap)), at,
                  [&](platform::Surface& surface) {
                      KeepScreenUnder(surface, box);
                      PutBack(surface, previous, spared);
                  });
    lastBox_ = box;
    return counter + 1 < characters_.size();
}

void TypeLabel(VisualObject& object, SceneContext& context) {
    const uint32_t pause = static_cast<uint32_t>(2000 - std::clamp(object.placement.labelPeriod, 0, 2000));
    Typewriter typewriter(object, context);
    size_t counter = 0;
    while (typewriter.ShowLabelStep(counter)) {
        ++counter;
        if (!context.Sleep(pause)) break;
    }
}

}  // namespace korv
