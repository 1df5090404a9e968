#include "media/flash/flash_movie_size.h"

#include "media/flash/swf_body.h"
#include "media/flash/swf_rect.h"

namespace korv {

namespace {

// The rectangle takes at most 5 + 4 × 31 bits.
constexpr size_t kMaxRectBytes = 17;

}  // namespace

std::optional<Size> FlashMovieSize(std::span<const uint8_t> movie) {
    auto start = SwfBodyBytes(movie, kMaxRectBytes);
    if (!start) return std::nullopt;
    auto rect = ReadSwfRect(*start);
    if (!rect) return std::nullopt;
    return SwfStageSize(*rect);
}

}  // namespace korv
