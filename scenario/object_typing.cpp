#include "scenario/object_typing.h"

#include <algorithm>

#include "platform/message_box.h"
#include "platform/painter.h"
#include "scenario/object_drawing.h"
#include "scenario/scene_context.h"
#include "scenario/visual_object.h"

namespace korv {

bool ShowLabelStep(VisualObject& object, SceneContext& context, size_t& counter) {
    const std::string& text = object.text;
    while (counter < text.size() && (text[counter] == '\n' || text[counter] == '\r')) ++counter;
    if (counter >= text.size()) return false;
    const std::string part = text.substr(0, counter + 1);

    ScenePictureServices services = CurrentScenePictureServices();
    std::optional<platform::Surface> bitmap;
    if (services.createTextBitmap) bitmap = services.createTextBitmap(object, part);
    if (!bitmap) {
        platform::ShowMessageBox(kBitmapFailedMessage);
        return false;
    }
    // The partial box sits inside the full text's box by the alignment.
    const int fullWidth = object.naturalWidth;
    Point at = object.position;
    if (object.align == AlignCentre)
        at.x += (fullWidth - bitmap->Width()) / 2;
    else if (object.align == AlignRight)
        at.x += fullWidth - bitmap->Width();

    // An aligned transparent text moves as it grows: take the previous step
    // off the screen first.
    if (object.align != AlignLeft && !object.opaque && object.saveUnderActive) {
        context.Window().Draw([&](platform::Surface& surface) {
            platform::Painter(surface).Copy(object.position, object.savedUnder, object.savedUnder.Bounds());
        });
    }
    PresentBitmap(object, context, std::move(*bitmap), at);
    return counter + 1 < text.size();
}

void TypeLabel(VisualObject& object, SceneContext& context) {
    const uint32_t pause = static_cast<uint32_t>(2000 - std::clamp(object.placement.labelPeriod, 0, 2000));
    size_t counter = 0;
    while (ShowLabelStep(object, context, counter)) {
        ++counter;
        if (!context.Sleep(pause)) break;
    }
}

}  // namespace korv
