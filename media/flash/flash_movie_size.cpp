#include "media/flash/flash_movie_size.h"

#include <zlib.h>

#include <array>

namespace korv {

namespace {

constexpr size_t kHeaderBytes = 8;
// The rectangle takes at most 5 + 4 × 31 bits.
constexpr size_t kMaxRectBytes = 17;

class BitReader {
public:
    explicit BitReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    // Most significant bit first; nullopt past the end.
    std::optional<uint32_t> Read(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            size_t byte = position_ / 8;
            if (byte >= bytes_.size()) return std::nullopt;
            value = (value << 1) | ((bytes_[byte] >> (7 - position_ % 8)) & 1u);
            ++position_;
        }
        return value;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

int32_t SignExtend(uint32_t value, int bits) {
    if (bits == 0) return 0;
    uint32_t sign = 1u << (bits - 1);
    return static_cast<int32_t>((value ^ sign) - sign);
}

std::optional<Size> SizeFromRect(std::span<const uint8_t> rect) {
    BitReader bits(rect);
    auto width = bits.Read(5);
    if (!width) return std::nullopt;
    int n = static_cast<int>(*width);
    std::array<int32_t, 4> edges{};  // Xmin, Xmax, Ymin, Ymax
    for (int32_t& edge : edges) {
        auto value = bits.Read(n);
        if (!value) return std::nullopt;
        edge = SignExtend(*value, n);
    }
    int64_t w = (int64_t{edges[1]} - edges[0]) / 20;
    int64_t h = (int64_t{edges[3]} - edges[2]) / 20;
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return std::nullopt;
    return Size{static_cast<int>(w), static_cast<int>(h)};
}

// Inflates the start of a compressed body, enough for the rectangle.
std::optional<std::array<uint8_t, kMaxRectBytes>> InflateStart(std::span<const uint8_t> body, size_t& produced) {
    std::array<uint8_t, kMaxRectBytes> out{};
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(body.data());
    stream.avail_in = static_cast<uInt>(std::min<size_t>(body.size(), 1u << 30));
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int result = inflate(&stream, Z_SYNC_FLUSH);
    produced = out.size() - stream.avail_out;
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return std::nullopt;
    return out;
}

}  // namespace

std::optional<Size> FlashMovieSize(std::span<const uint8_t> movie) {
    if (movie.size() < kHeaderBytes + 1) return std::nullopt;
    if (movie[1] != 'W' || movie[2] != 'S') return std::nullopt;
    std::span<const uint8_t> body = movie.subspan(kHeaderBytes);
    if (movie[0] == 'F') return SizeFromRect(body);
    if (movie[0] == 'C') {
        size_t produced = 0;
        auto start = InflateStart(body, produced);
        if (!start) return std::nullopt;
        return SizeFromRect(std::span<const uint8_t>(start->data(), produced));
    }
    return std::nullopt;
}

}  // namespace korv
