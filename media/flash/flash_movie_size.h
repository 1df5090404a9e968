#pragma once
// The stage size of a Flash movie, read from its header: the frame-size
// rectangle after the 8-byte file header, in twips (1/20 pixel). Movies
// whose body is compressed (zlib "CWS", LZMA "ZWS") are decoded as far as
// the rectangle; damaged headers have no size.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/geometry.h"

namespace korv {

// The size the stage of a movie without a readable header is given: the
// authoring tool's default stage.
inline constexpr Size kDefaultFlashStage{550, 400};

std::optional<Size> FlashMovieSize(std::span<const uint8_t> movie);

}  // namespace korv
