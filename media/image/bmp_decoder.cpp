// Windows and OS/2 bitmaps: the file header, then one of the info headers
// (OS/2 core of 12 bytes, OS/2 2.x of 16 to 64, Windows of 40, 52, 56, 108 or
// 124), the palette and the pixel rows, each padded to 4 bytes.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/little_endian.h"

namespace korv {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
// The largest RLE picture decoded however little of it the codes draw.
constexpr uint64_t kSparseRlePixels = uint64_t{1} << 20;

std::optional<platform::Surface> Fail(int code) {
    SetImageError(code);
    return std::nullopt;
}

// One colour of a bit-field pixel, brought to 8 bits: narrower fields repeat
// their bits (5 bits of 31 give 255, of 16 give 132), wider ones are rounded.
class Channel {
public:
    explicit Channel(uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        width_ = std::bit_width(max_);
    }
    uint8_t Get(uint32_t pixel) const {
        if (max_ == 0) return 0;
        uint64_t value = (pixel & mask_) >> shift_;
        if (width_ > 8) return static_cast<uint8_t>((value * 255 + max_ / 2) / max_);
        uint64_t repeated = 0;
        int filled = 0;
        for (; filled < 8; filled += width_) repeated = repeated << width_ | value;
        return static_cast<uint8_t>(repeated >> (filled - 8));
    }

private:
    uint32_t mask_ = 0;
    int shift_ = 0;
    uint32_t max_ = 0;
    int width_ = 0;
};

struct BmpLayout {
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[3] = {0, 0, 0};
    bool hasMasks = false;
};

void PutIndex(const platform::Pixel* palette, size_t paletteSize, platform::Pixel* dest, unsigned index) {
    *dest = index < paletteSize ? palette[index] : 0;
}

// Uncompressed rows; `data` holds at least every row the picture needs.
void DecodeRows(const BmpLayout& bmp, const uint8_t* data, size_t stride, const platform::Pixel* palette,
                size_t paletteSize, platform::Surface& out) {
    const int width = static_cast<int>(bmp.width);
    const int height = static_cast<int>(bmp.height);
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bmp.bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (bmp.hasMasks) std::copy(bmp.masks, bmp.masks + 3, masks);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const int bytesPerPixel = bmp.bits / 8;

    for (int row = 0; row < height; ++row) {
        const uint8_t* src = data + static_cast<size_t>(row) * stride;
        platform::Pixel* dest = out.Row(bmp.topDown ? row : height - 1 - row);
        if (bmp.bits <= 8) {
            const unsigned mask = (1u << bmp.bits) - 1;
            for (int x = 0; x < width; ++x) {
                size_t bit = static_cast<size_t>(x) * bmp.bits;
                unsigned index = (src[bit / 8] >> (8 - bmp.bits - bit % 8)) & mask;
                PutIndex(palette, paletteSize, dest + x, index);
            }
        } else if (bmp.bits == 24 && !bmp.hasMasks) {
            for (int x = 0; x < width; ++x, src += 3) dest[x] = platform::PixelRgb(src[2], src[1], src[0]);
        } else {
            for (int x = 0; x < width; ++x, src += bytesPerPixel) {
                uint32_t pixel = 0;
                for (int i = 0; i < bytesPerPixel; ++i) pixel |= static_cast<uint32_t>(src[i]) << (8 * i);
                dest[x] = platform::PixelRgb(red.Get(pixel), green.Get(pixel), blue.Get(pixel));
            }
        }
    }
}

// RLE8 and RLE4, always bottom-up. Pixels past the end of a row are dropped
// (encoders run on over the row padding), a skip past the last row ends the
// picture, and pixels never written stay black. The data must reach the
// end-of-bitmap escape or the end of the last row. Without `out`, only
// checks that it does. `produced` counts the pixels the runs and literal
// blocks give, clipped or not.
bool DecodeRle(const BmpLayout& bmp, const uint8_t* p, const uint8_t* end, const platform::Pixel* palette,
               size_t paletteSize, platform::Surface* out, uint64_t& produced) {
    const int64_t width = bmp.width;
    const int64_t height = bmp.height;
    const bool rle8 = bmp.compression == kBiRle8;
    int64_t x = 0, y = 0;
    auto put = [&](unsigned index) {
        if (out && x < width) PutIndex(palette, paletteSize, out->Row(static_cast<int>(height - 1 - y)) + x, index);
        ++x;
        ++produced;
    };
    while (y < height) {
        if (end - p < 2) return false;
        const unsigned count = *p++;
        const unsigned value = *p++;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) put(rle8 ? value : (i & 1) ? value & 15 : value >> 4);
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // skip right and up
            if (end - p < 2) return false;
            x += p[0];
            y += p[1];
            p += 2;
        } else {  // a literal block, padded to 16 bits
            const unsigned bytes = rle8 ? value : (value + 1) / 2;
            if (static_cast<size_t>(end - p) < bytes) return false;
            for (unsigned i = 0; i < value; ++i) put(rle8 ? p[i] : (i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4);
            p += std::min<size_t>(bytes + (bytes & 1), end - p);
        }
    }
    return true;
}

std::optional<platform::Surface> Decode(std::span<const uint8_t> bytes) {
    const size_t size = bytes.size();
    const uint8_t* d = bytes.data();
    if (size < 18 || d[0] != 'B' || d[1] != 'M') return Fail(ImageBadBmp);
    const uint32_t offBits = U32(d + 10);
    const uint32_t headerSize = U32(d + 14);
    if (headerSize < 12 || (headerSize > 12 && headerSize < 16) || headerSize > size - 14) return Fail(ImageBadBmp);
    const uint8_t* h = d + 14;
    const bool core = headerSize == 12;
    const bool os2v2 = !core && headerSize <= 64 && headerSize != 40 && headerSize != 52 && headerSize != 56;

    BmpLayout bmp;
    uint32_t colorsUsed = 0;
    if (core) {
        bmp.width = U16(h + 4);
        bmp.height = U16(h + 6);
        bmp.bits = U16(h + 10);
    } else {
        // OS/2 2.x headers may stop after any field; the missing ones are zero.
        auto field = [&](uint32_t offset) { return offset + 4 <= headerSize ? U32(h + offset) : 0u; };
        bmp.width = static_cast<int32_t>(U32(h + 4));
        int64_t height = static_cast<int32_t>(U32(h + 8));
        bmp.topDown = height < 0;
        bmp.height = height < 0 ? -height : height;
        bmp.bits = U16(h + 14);
        bmp.compression = field(16);
        colorsUsed = field(32);
    }
    if (bmp.width <= 0 || bmp.height <= 0) return Fail(ImageBadBmp);
    switch (bmp.bits) {
        case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
        default: return Fail(ImageBadBmp);
    }

    // The masks of bit-field pixels sit in the larger headers, or right after
    // the 40-byte one.
    size_t paletteStart = 14 + static_cast<size_t>(headerSize);
    switch (bmp.compression) {
        case kBiRgb: break;
        case kBiRle8:
        case kBiRle4:
            if (bmp.topDown || bmp.bits != (bmp.compression == kBiRle8 ? 8 : 4)) return Fail(ImageRleUnsupported);
            break;
        case kBiBitfields:
        case kBiAlphaBitfields: {
            if (os2v2) return Fail(ImageRleUnsupported);  // Huffman 1D and RLE24 there
            if (bmp.bits != 16 && bmp.bits != 24 && bmp.bits != 32) return Fail(ImageBadBmp);
            const uint8_t* masks = h + 40;
            if (headerSize < 52) {
                size_t maskBytes = bmp.compression == kBiAlphaBitfields ? 16 : 12;
                if (size - paletteStart < maskBytes) return Fail(ImageBadBmp);
                masks = d + paletteStart;
                paletteStart += maskBytes;
            }
            for (int i = 0; i < 3; ++i) bmp.masks[i] = U32(masks + 4 * i);
            bmp.hasMasks = true;
            break;
        }
        default: return Fail(ImageRleUnsupported);  // JPEG, PNG and anything unknown
    }
    if (!AcceptableImageSize(bmp.width, bmp.height)) return Fail(ImageBadBmp);

    // The palette: as many entries as declared, but never past the pixel data
    // when the header says where that starts. Pictures beyond 8 bits may still
    // carry one, which is skipped. Pixel data said to start at or past the end
    // of the file is missing; an offset inside the headers is ignored.
    if (offBits >= size) return Fail(ImageBadBmp);
    const size_t entrySize = core ? 3 : 4;
    const uint64_t declared = bmp.bits <= 8 && (core || colorsUsed == 0) ? 1u << bmp.bits : colorsUsed;
    const bool offBitsSane = offBits >= paletteStart;
    uint64_t entries = bmp.bits <= 8 ? std::min<uint64_t>(declared, 1u << bmp.bits) : 0;
    size_t dataStart;
    if (offBitsSane) {
        entries = std::min<uint64_t>(entries, (offBits - paletteStart) / entrySize);
        dataStart = offBits;
    } else {
        if (declared > (size - paletteStart) / entrySize) return Fail(ImageBadBmp);
        dataStart = paletteStart + static_cast<size_t>(declared) * entrySize;
    }
    platform::Pixel palette[256] = {};
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = d + paletteStart + i * entrySize;
        palette[i] = platform::PixelRgb(e[2], e[1], e[0]);
    }
    const size_t paletteSize = static_cast<size_t>(entries);
    const size_t available = size - dataStart;

    if (bmp.compression == kBiRle8 || bmp.compression == kBiRle4) {
        // The codes are checked before the picture is allocated. Skips and an
        // early end of bitmap let a few bytes claim the largest picture, so
        // beyond 1M pixels at least a quarter must come from runs or literals
        // (encoders give every pixel).
        uint64_t produced = 0;
        if (!DecodeRle(bmp, d + dataStart, d + size, palette, paletteSize, nullptr, produced)) return Fail(ImageBadBmp);
        const uint64_t pixels = static_cast<uint64_t>(bmp.width) * static_cast<uint64_t>(bmp.height);
        if (pixels > kSparseRlePixels && produced < pixels / 4) return Fail(ImageRleUnsupported);
        platform::Surface out(static_cast<int>(bmp.width), static_cast<int>(bmp.height));
        DecodeRle(bmp, d + dataStart, d + size, palette, paletteSize, &out, produced);
        return out;
    }

    // The last row may lack its padding.
    const uint64_t rowBits = static_cast<uint64_t>(bmp.width) * bmp.bits;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    const uint64_t needed = stride * static_cast<uint64_t>(bmp.height - 1) + (rowBits + 7) / 8;
    if (needed > available) return Fail(ImageBadBmp);
    platform::Surface out(static_cast<int>(bmp.width), static_cast<int>(bmp.height));
    DecodeRows(bmp, d + dataStart, static_cast<size_t>(stride), palette, paletteSize, out);
    return out;
}

}  // namespace

std::optional<platform::Surface> DecodeBmp(std::span<const uint8_t> bytes) { return DecodeGuarded(Decode, bytes); }

}  // namespace korv
