#include "scenario/line_command.h"

#include "platform/colour.h"
#include "platform/painter.h"
#include "scenario/movement.h"
#include "scenario/scene_context.h"

namespace korv {

int LineCommand::Execute(SceneContext& context, int&) {
    SeedSources seeds = SeedSourcesOf(context);
    ResolvePlacement(placement, {0, 0}, context.Window().ClientSize(), seeds);
    PickColour(colour, seeds);
    platform::Pen pen{static_cast<platform::PenStyle>(penStyle), penWidth, platform::StoredToColour(colour.colour)};
    Point from{placement.x1, placement.y1}, to{placement.x2, placement.y2};
    context.Window().Draw([&](platform::Surface& surface) { platform::Painter(surface).Line(from, to, pen); });
    return 0;
}

}  // namespace korv
