// Truevision TGA: an 18-byte header, the image ID, the colour map, then the
// pixels in little-endian BGR(A), optionally run-length coded in packets that
// may run on from one row to the next. Rows go bottom-up unless bit 5 of the
// descriptor is set; bit 4 stores each row right to left. Alpha and the
// attribute bit of 16-bit pixels are not used.

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/little_endian.h"

namespace korv {
namespace {

constexpr size_t kHeaderSize = 18;

std::optional<platform::Surface> Fail() {
    SetImageError(ImageBadTga);
    return std::nullopt;
}

// 5 bits to 8, rounding down as ImageMagick does (31 still gives 255).
uint8_t Scale5(unsigned value) { return static_cast<uint8_t>(value * 255 / 31); }

// A 15/16/24/32-bit colour, as stored in the colour map or the pixels.
platform::Pixel ReadColour(const uint8_t* p, int bytes) {
    if (bytes == 2) {
        unsigned v = U16(p);
        return platform::PixelRgb(Scale5((v >> 10) & 31), Scale5((v >> 5) & 31), Scale5(v & 31));
    }
    return platform::PixelRgb(p[2], p[1], p[0]);
}

enum class Kind { Mapped, TrueColour, Grey };

std::optional<platform::Surface> Decode(std::span<const uint8_t> bytes) {
    const size_t size = bytes.size();
    const uint8_t* d = bytes.data();
    if (size < kHeaderSize) return Fail();
    const size_t idLength = d[0];
    const int mapType = d[1];
    const int imageType = d[2];
    const unsigned mapFirst = U16(d + 3), mapLength = U16(d + 5);
    const int mapBits = d[7];
    const int width = U16(d + 12), height = U16(d + 14);
    const int depth = d[16];
    const int descriptor = d[17];

    Kind kind;
    switch (imageType & 7) {
        case 1: kind = Kind::Mapped; break;
        case 2: kind = Kind::TrueColour; break;
        case 3: kind = Kind::Grey; break;
        default: return Fail();  // 0 (no picture) and the unknown ones
    }
    if ((imageType & ~8) > 3 || mapType > 1) return Fail();
    const bool compressed = imageType & 8;
    if (kind == Kind::Mapped && (mapType != 1 || (depth != 8 && depth != 16))) return Fail();
    if (kind == Kind::TrueColour && depth != 15 && depth != 16 && depth != 24 && depth != 32) return Fail();
    if (kind == Kind::Grey && depth != 8 && depth != 16) return Fail();
    if (!AcceptableImageSize(width, height)) return Fail();

    size_t pos = kHeaderSize + idLength;
    if (pos > size) return Fail();

    // The colour map, also skipped over by pictures that do not use it.
    std::vector<platform::Pixel> map;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return Fail();
        const int entryBytes = (mapBits + 7) / 8;
        const size_t mapBytes = static_cast<size_t>(mapLength) * entryBytes;
        if (mapBytes > size - pos) return Fail();
        if (kind == Kind::Mapped) {
            map.resize(mapLength);
            for (unsigned i = 0; i < mapLength; ++i) map[i] = ReadColour(d + pos + i * entryBytes, entryBytes);
        }
        pos += mapBytes;
    }

    const int pixelBytes = (depth + 7) / 8;
    const uint64_t count = static_cast<uint64_t>(width) * height;
    const size_t available = size - pos;
    // Uncompressed, every pixel is there; compressed, a packet of one header
    // byte and one pixel covers at most 128.
    if (compressed ? (count + 127) / 128 * (1 + pixelBytes) > available : count * pixelBytes > available) return Fail();

    auto convert = [&](const uint8_t* p) -> platform::Pixel {
        switch (kind) {
            case Kind::Mapped: {
                unsigned index = pixelBytes == 1 ? p[0] : U16(p);
                return index >= mapFirst && index - mapFirst < mapLength ? map[index - mapFirst] : 0;
            }
            case Kind::TrueColour: return ReadColour(p, pixelBytes);
            case Kind::Grey: return platform::PixelRgb(p[0], p[0], p[0]);  // the second byte of 16 bits is alpha
        }
        return 0;
    };

    platform::Surface out(width, height);
    const bool topDown = descriptor & 0x20;
    const bool rightToLeft = descriptor & 0x10;
    // Where the n-th pixel of the file goes.
    auto target = [&](uint64_t n) {
        int row = static_cast<int>(n / width), column = static_cast<int>(n % width);
        if (!topDown) row = height - 1 - row;
        if (rightToLeft) column = width - 1 - column;
        return out.Row(row) + column;
    };

    const uint8_t* p = d + pos;
    const uint8_t* end = d + size;
    if (!compressed) {
        for (uint64_t n = 0; n < count; ++n, p += pixelBytes) *target(n) = convert(p);
        return out;
    }
    for (uint64_t n = 0; n < count;) {
        if (p == end) return Fail();
        const unsigned header = *p++;
        const unsigned length = (header & 0x7F) + 1;
        const bool run = header & 0x80;
        const size_t packetBytes = run ? pixelBytes : static_cast<size_t>(length) * pixelBytes;
        if (length > count - n || packetBytes > static_cast<size_t>(end - p)) return Fail();
        if (run) {
            const platform::Pixel pixel = convert(p);
            for (unsigned i = 0; i < length; ++i) *target(n++) = pixel;
        } else {
            for (unsigned i = 0; i < length; ++i) *target(n++) = convert(p + i * pixelBytes);
        }
        p += packetBytes;
    }
    return out;
}

}  // namespace

std::optional<platform::Surface> DecodeTga(std::span<const uint8_t> bytes) { return DecodeGuarded(Decode, bytes); }

}  // namespace korv
