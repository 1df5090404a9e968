#include "media/flash/swf_movie.h"

#include <algorithm>

#include "media/flash/swf_rect.h"
#include "media/flash/swf_tags.h"

namespace korv {

namespace {

// Frame rate and frame count after the rectangle.
constexpr size_t kRateAndCountBytes = 4;

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// The FileAttributes tag comes first in movies that have one; a movie whose
// first frame shows without it runs as ActionScript 1/2.
bool DeclaresActionScript3(std::span<const uint8_t> movie, size_t offset) {
    while (auto tag = ReadSwfTag(movie, offset)) {
        if (tag->code == kSwfFileAttributesTag)
            return tag->length >= 1 && (movie[tag->dataStart] & kSwfActionScript3Flag) != 0;
        if (tag->code == kSwfShowFrameTag || tag->code == kSwfEndTag) return false;
        offset = tag->End();
    }
    return false;
}

}  // namespace

double SwfPlayedFrameRate(double declared) {
    if (declared <= 0) return kSwfFastestFrameRate;
    return std::clamp(declared, kSwfSlowestFrameRate, kSwfFastestFrameRate);
}

std::optional<SwfMovie> ReadSwfMovie(std::span<const uint8_t> file) {
    auto signature = SwfSignature(file);
    if (!signature) return std::nullopt;
    size_t length = SwfDeclaredLength(file);
    if (length > kMaxSwfMovieBytes || length <= kSwfHeaderBytes) return std::nullopt;
    auto body = SwfBodyBytes(file, length - kSwfHeaderBytes);
    if (!body || body->size() != length - kSwfHeaderBytes) return std::nullopt;
    auto rect = ReadSwfRect(*body);
    if (!rect || body->size() - rect->bytes < kRateAndCountBytes) return std::nullopt;

    SwfMovie movie;
    movie.compression = *signature;
    movie.version = file[3];
    movie.stage = SwfStageSize(*rect).value_or(kDefaultFlashStage);
    movie.declaredFrameRate = ReadU16(*body, rect->bytes) / 256.0;
    movie.frameRate = SwfPlayedFrameRate(movie.declaredFrameRate);
    movie.frameCount = ReadU16(*body, rect->bytes + 2);
    movie.uncompressed = {'F', 'W', 'S', file[3]};
    movie.uncompressed.reserve(length);
    for (int i = 0; i < 4; ++i) movie.uncompressed.push_back(static_cast<uint8_t>(length >> (8 * i)));
    movie.uncompressed.insert(movie.uncompressed.end(), body->begin(), body->end());
    movie.tagsOffset = kSwfHeaderBytes + rect->bytes + kRateAndCountBytes;
    movie.actionScript3 = DeclaresActionScript3(movie.uncompressed, movie.tagsOffset);
    return movie;
}

}  // namespace korv
