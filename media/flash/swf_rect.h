#pragma once
// The frame-size rectangle at the start of a movie's body: five bits giving
// the width of each edge, then Xmin, Xmax, Ymin, Ymax as signed values in
// twips (1/20 pixel), most significant bit first, padded to a whole byte.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/geometry.h"

namespace korv {

struct SwfRect {
    int32_t xMin = 0;
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;
    // Bytes the rectangle takes, padding included.
    size_t bytes = 0;
};

// nullopt when the bytes end inside the rectangle.
std::optional<SwfRect> ReadSwfRect(std::span<const uint8_t> bytes);

// Pixels (twips / 20, remainder dropped); nullopt for an empty, inverted or
// absurdly large stage.
std::optional<Size> SwfStageSize(const SwfRect& rect);

}  // namespace korv
