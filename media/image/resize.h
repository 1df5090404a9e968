#pragma once
// Bilinear resampling of pictures.

#include <optional>

#include "media/image/picture.h"
#include "platform/surface.h"

namespace korv {

// `source` resampled to `width` × `height`. Nothing (error 5) when either
// size is zero.
std::optional<platform::Surface> ResizePixels(const platform::Surface& source, int width, int height);

// As ResizePixels for a picture whose pixels of colour `key` are transparent
// (a text on a transparent background): the key takes part in no blend. A
// destination pixel is the key when key pixels carry more than half of its
// bilinear weight, else the blend of the other pixels around it in their own
// proportions, so keying the result leaves no trace of the key colour.
std::optional<platform::Surface> ResizeKeyedPixels(const platform::Surface& source, int width, int height,
                                                   platform::Colour key);

}  // namespace korv
