#include "scenario/movement.h"

#include <algorithm>
#include <limits>

#include "platform/colour.h"
#include "scenario/effects/effect_plan.h"
#include "scenario/scene_context.h"

namespace korv {

namespace {

// The stop tests of a free move: 0 b < c, 1 c < b, 2 c = b, 3 c ≠ b.
bool Holds(int32_t c, int32_t type, int32_t b) {
    switch (type) {
        case 0: return b < c;
        case 1: return c < b;
        case 2: return c == b;
        case 3: return c != b;
        default: return false;
    }
}

// A coordinate kept inside the range of int32_t: a move that runs into
// either end stops there instead of wrapping round.
int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The coordinate on the line through (from, fromOther) and (to, toOther)
// at `along`, truncated toward zero. The product of two coordinate
// differences needs more than 64 bits.
int32_t OnLine(int32_t along, int32_t from, int32_t to, int32_t fromOther, int32_t toOther) {
    __extension__ using Wide = __int128;
    Wide value = static_cast<Wide>(int64_t{toOther} - fromOther) * (int64_t{along} - to) / (int64_t{to} - from) + toOther;
    return value < std::numeric_limits<int32_t>::min()   ? std::numeric_limits<int32_t>::min()
           : value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                         : static_cast<int32_t>(value);
}

int32_t Modulo(int64_t value, int64_t divisor) { return divisor == 0 ? 0 : static_cast<int32_t>(value % divisor); }

// One coordinate by its anchor; `extent` is the object's, `screen` the screen's.
int32_t Resolve(int32_t anchor, int32_t current, bool addCurrent, int32_t extent, int32_t screen, RandomRange& random) {
    switch (anchor) {
        case 0: return 0;
        case 1: return screen / 2 - extent / 2;
        case 2: return screen - extent;
        case 3: {
            int64_t r = random.Next() + (addCurrent ? current : 0);
            return Modulo(r, int64_t{screen} + extent) - extent;
        }
        case 4: {
            if (extent >= screen) return 0;
            // Random but wholly inside; bounded so that an unlucky sequence cannot spin.
            int32_t value = current;
            for (int tries = 0; tries < 100000; ++tries) {
                int64_t r = random.Next() + int64_t{value};
                value = Modulo(r, int64_t{screen} + extent) - extent;
                if (value > 0 && value < screen - extent) return value;
            }
            return (screen - extent) / 2;
        }
        default: return current;
    }
}

}  // namespace

SeedSources SeedSourcesOf(SceneContext& context) {
    SeedSources seeds;
    seeds.tickBefore = context.Clock().TickCount();
    seeds.wallMilliseconds = seeds.tickBefore % 1000;
    seeds.tickAfter = context.Clock().TickCount();
    seeds.timesFigure = context.TimesFigure();
    return seeds;
}

void ResolvePlacement(PlacementBlock& p, Size objectSize, Size screen, const SeedSources& seeds) {
    RandomRange random(MixedSeed(p.seed, seeds.wallMilliseconds, seeds.tickBefore, seeds.tickAfter, seeds.timesFigure));
    bool allExplicit = p.anchorX1 == 5 && p.anchorY1 == 5 && p.anchorX2 == 5 && p.anchorY2 == 5;
    if (!p.freeMove && !allExplicit) {
        p.x1 = Resolve(p.anchorX1, p.x1, false, objectSize.width, screen.width, random);
        p.y1 = Resolve(p.anchorY1, p.y1, true, objectSize.height, screen.height, random);
        p.x2 = Resolve(p.anchorX2, p.x2, true, objectSize.width, screen.width, random);
        p.y2 = Resolve(p.anchorY2, p.y2, true, objectSize.height, screen.height, random);
    }
    p.alongX = p.x1 != p.x2 ? 1 : 0;
    // A step left out moves one pixel a step towards the end point.
    if (p.stepX == 0 && !p.freeMove) p.stepX = p.alongX ? 1 : (p.y2 < p.y1 ? -1 : 1);
    if ((p.x2 < p.x1 && p.stepX > 0) || (p.x1 < p.x2 && p.stepX < 0)) p.stepX = Saturate(-int64_t{p.stepX});
    if ((p.y2 < p.y1 && p.stepY > 0) || (p.y1 < p.y2 && p.stepY < 0)) p.stepY = Saturate(-int64_t{p.stepY});
    p.curX = p.x1;
    p.curY = p.y1;
}

bool StepPlacement(PlacementBlock& p) {
    if (p.freeMove) {
        const Point before{p.curX, p.curY};
        p.curX = Saturate(int64_t{p.curX} + p.stepX);
        p.curY = Saturate(int64_t{p.curY} + p.stepY);
        bool x = Holds(p.curX, p.boundMode, p.boundX);
        bool y = Holds(p.curY, p.boundLimit, p.boundY);
        // A move that no longer gets anywhere ends, whatever its stop tests say.
        if (Point{p.curX, p.curY} == before) return true;
        return p.boundFlag ? (x && y) : (x || y);
    }
    if (p.alongX) {
        p.curX = Saturate(int64_t{p.curX} + p.stepX);
        if (p.x1 == p.x2) return true;
        p.curY = OnLine(p.curX, p.x1, p.x2, p.y1, p.y2);
        if (p.curX == p.x2) return true;
        return p.stepX >= 1 ? p.curX > p.x2 : p.curX < p.x2;
    }
    p.curY = Saturate(int64_t{p.curY} + p.stepX);
    if (p.y1 == p.y2) return true;
    p.curX = OnLine(p.curY, p.y1, p.y2, p.x1, p.x2);
    if (p.curY == p.y2) return true;
    return p.stepX >= 1 ? p.curY > p.y2 : p.curY < p.y2;
}

void PickColour(ColourBlock& colour, const SeedSources& seeds) {
    if (!colour.randomColour) return;
    RandomRange random(MixedSeed(colour.seed, seeds.wallMilliseconds, seeds.tickBefore, seeds.tickAfter,
                                 seeds.timesFigure));
    random.SetRange(0, 500);
    // Each part is the low 8 bits of the next number, red first.
    auto red = static_cast<uint8_t>(random.Next());
    auto green = static_cast<uint8_t>(random.Next());
    auto blue = static_cast<uint8_t>(random.Next());
    colour.colour = platform::ColourToStored(platform::Rgb(red, green, blue));
}

int32_t PickEffect(int32_t effect, uint32_t tickCount, uint32_t wallMilliseconds) {
    if (ResolveEffect(effect).kind != EffectKind::Random) return effect;
    RandomRange random((tickCount << 16) | (wallMilliseconds & 0xFFFF));
    // The range reaches one number past the transitions at each end; those
    // are drawn again.
    random.SetRange(kFirstEffect - 1, kLastEffect + 1);
    for (;;) {
        int32_t value = random.Next();
        if (ResolveEffect(value).kind == EffectKind::Transition) return value;
    }
}

}  // namespace korv
