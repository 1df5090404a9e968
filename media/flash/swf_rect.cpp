#include "media/flash/swf_rect.h"

#include <array>

namespace korv {

namespace {

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
    size_t BytesUsed() const { return (position_ + 7) / 8; }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

int32_t SignExtend(uint32_t value, int bits) {
    if (bits == 0) return 0;
    uint32_t sign = 1u << (bits - 1);
    return static_cast<int32_t>((value ^ sign) - sign);
}

}  // namespace

std::optional<SwfRect> ReadSwfRect(std::span<const uint8_t> bytes) {
    BitReader bits(bytes);
    auto width = bits.Read(5);
    if (!width) return std::nullopt;
    int n = static_cast<int>(*width);
    std::array<int32_t, 4> edges{};
    for (int32_t& edge : edges) {
        auto value = bits.Read(n);
        if (!value) return std::nullopt;
        edge = SignExtend(*value, n);
    }
    return SwfRect{edges[0], edges[1], edges[2], edges[3], bits.BytesUsed()};
}

std::optional<Size> SwfStageSize(const SwfRect& rect) {
    int64_t w = (int64_t{rect.xMax} - rect.xMin) / 20;
    int64_t h = (int64_t{rect.yMax} - rect.yMin) / 20;
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return std::nullopt;
    return Size{static_cast<int>(w), static_cast<int>(h)};
}

}  // namespace korv
