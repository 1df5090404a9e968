// ZSoft PCX: a 128-byte header, then the scan lines, each made of one line
// per plane, run-length coded (a byte with its two top bits set repeats the
// next byte up to 63 times). Runs may carry on from one line to the next.
// 8-bit single-plane pictures keep their 256 colours after the data, behind
// a 0x0C byte, at the very end of the file.

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/little_endian.h"

namespace korv {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kEndPaletteSize = 769;  // the 0x0C marker and 256 × RGB

std::optional<platform::Surface> Fail() {
    SetImageError(ImageBadPcx);
    return std::nullopt;
}

// Produces the decoded bytes line after line, carrying runs across lines.
class LineReader {
public:
    LineReader(const uint8_t* data, const uint8_t* end, bool compressed) : p_(data), end_(end), compressed_(compressed) {}

    // False when the data ends before the line is full.
    bool Read(uint8_t* line, size_t length) {
        size_t i = 0;
        while (i < length) {
            if (pending_ > 0) {
                size_t n = std::min<size_t>(pending_, length - i);
                std::fill_n(line + i, n, value_);
                i += n;
                pending_ -= n;
                continue;
            }
            if (p_ == end_) return false;
            uint8_t byte = *p_++;
            if (compressed_ && (byte & 0xC0) == 0xC0) {
                if (p_ == end_) return false;
                pending_ = byte & 0x3F;
                value_ = *p_++;
            } else {
                line[i++] = byte;
            }
        }
        return true;
    }
    const uint8_t* position() const { return p_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool compressed_;
    size_t pending_ = 0;
    uint8_t value_ = 0;
};

std::optional<platform::Surface> Decode(std::span<const uint8_t> bytes) {
    const size_t size = bytes.size();
    const uint8_t* d = bytes.data();
    if (size < kHeaderSize || d[0] != 0x0A || d[2] > 1) return Fail();
    const bool compressed = d[2] == 1;
    const int bits = d[3];
    const int xmin = U16(d + 4), ymin = U16(d + 6), xmax = U16(d + 8), ymax = U16(d + 10);
    const int planes = d[65];
    const size_t bytesPerLine = U16(d + 66);
    if (xmax < xmin || ymax < ymin) return Fail();
    const int width = xmax - xmin + 1;
    const int height = ymax - ymin + 1;
    if (!AcceptableImageSize(width, height)) return Fail();

    const bool indexed = (bits == 1 && planes >= 1 && planes <= 4) || ((bits == 2 || bits == 4 || bits == 8) && planes == 1);
    const bool trueColour = bits == 8 && (planes == 3 || planes == 4);
    if (!indexed && !trueColour) return Fail();
    if (bytesPerLine * 8 < static_cast<size_t>(width) * bits) return Fail();

    // A run of 2 bytes gives at most 63, so the data must be at least this
    // long to fill the picture.
    const size_t lineBytes = bytesPerLine * planes;
    const uint64_t total = static_cast<uint64_t>(lineBytes) * height;
    const uint64_t available = size - kHeaderSize;
    if (compressed ? (total + 62) / 63 * 2 > available + 1 : total > available) return Fail();

    // The colours: grey for 8 bits until the end palette is found, the header's
    // 16 otherwise. One bit on one plane takes the header's first two entries
    // too, unless they are the same colour (an empty header palette): then 0
    // is black and 1 white.
    uint8_t palette[256][3];
    bool endPalette = false;
    if (bits == 8 && planes == 1) {
        if (size >= kHeaderSize + kEndPaletteSize && d[size - kEndPaletteSize] == 0x0C) {
            std::copy_n(d + size - kEndPaletteSize + 1, 768, &palette[0][0]);
            endPalette = true;
        } else {
            for (int i = 0; i < 256; ++i) palette[i][0] = palette[i][1] = palette[i][2] = static_cast<uint8_t>(i);
        }
    } else {
        std::copy_n(d + 16, 48, &palette[0][0]);
        if (bits == 1 && planes == 1 && std::equal(palette[0], palette[0] + 3, palette[1])) {
            std::fill_n(&palette[0][0], 3, 0);
            std::fill_n(&palette[1][0], 3, 255);
        }
    }

    platform::Pixel colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = platform::PixelRgb(palette[i][0], palette[i][1], palette[i][2]);

    platform::Surface out(width, height);
    std::vector<uint8_t> line(lineBytes);
    LineReader reader(d + kHeaderSize, d + size, compressed);
    for (int y = 0; y < height; ++y) {
        if (!reader.Read(line.data(), lineBytes)) return Fail();
        platform::Pixel* dest = out.Row(y);
        if (trueColour) {
            for (int x = 0; x < width; ++x)
                dest[x] = platform::PixelRgb(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            unsigned index;
            if (bits == 1) {
                index = 0;
                for (int plane = 0; plane < planes; ++plane)
                    index |= ((line[plane * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << plane;
            } else {
                size_t bit = static_cast<size_t>(x) * bits;
                index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            }
            dest[x] = colours[index];
        }
    }

    // A palette found at the end but overlapping the picture data, or a marker
    // right after the data with too few bytes behind it, means the file was cut.
    if (bits == 8 && planes == 1) {
        const uint8_t* dataEnd = reader.position();
        if (endPalette ? d + size - kEndPaletteSize < dataEnd : dataEnd < d + size && *dataEnd == 0x0C) return Fail();
    }
    return out;
}

}  // namespace

std::optional<platform::Surface> DecodePcx(std::span<const uint8_t> bytes) { return DecodeGuarded(Decode, bytes); }

}  // namespace korv
