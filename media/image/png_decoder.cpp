// PNG through libpng. libpng reports errors by longjmp to the setjmp of the
// small functions below, which hold only trivially destructible locals.

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "media/image/decoders.h"
#include "media/image/image_error.h"

namespace korv {

namespace {

// Deflate cannot expand data by much more than a thousand times; a file
// whose picture would need more is refused before anything is allocated.
constexpr uint64_t kMaxExpansion = 3000;

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) png_error(png, "file ends early");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

void OnError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }

// libpng's own buffers (rows, chunk data, inflate state) stay small for any
// picture we accept; a chunk that claims more is refused instead of allocated.
constexpr png_alloc_size_t kMaxLibraryAllocation = 32u << 20;

png_voidp LimitedAllocate(png_structp, png_alloc_size_t size) {
    return size > kMaxLibraryAllocation ? nullptr : std::malloc(size);
}

void Release(png_structp, png_voidp block) { std::free(block); }
void OnWarning(png_structp, png_const_charp) {}

// Reads the header and sets the transforms that turn every colour type and
// depth into 8-bit RGB. Transparency is dropped the same way for every colour
// type: an alpha channel, or a tRNS chunk (which libpng turns into alpha when
// it expands a palette), leaves each pixel with the colour it stores.
bool ReadHeader(png_structp png, png_infop info, MemoryReader* reader, png_uint_32* width, png_uint_32* height,
                int* sampleBytes) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, reader, ReadFromMemory);
    png_set_user_limits(png, kMaxImageDimension, kMaxImageDimension);
    png_set_chunk_malloc_max(png, 8 << 20);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    if (!AcceptableImageSize(*width, *height)) return false;
    if (uint64_t{*width} * *height * 3 > kMaxExpansion * reader->size) return false;

    int colourType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS)) png_set_strip_alpha(png);
    // 8-bit samples land straight in the picture's pixels: a zero byte is
    // added to each RGB triple, in the order that makes a native 0x00RRGGBB.
    if (depth != 16) {
        if constexpr (std::endian::native == std::endian::little) {
            png_set_bgr(png);
            png_set_filler(png, 0, PNG_FILLER_AFTER);
        } else {
            png_set_filler(png, 0, PNG_FILLER_BEFORE);
        }
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // 16-bit samples are kept and reduced afterwards (v / 257, the exact linear map).
    *sampleBytes = png_get_bit_depth(png, info) == 16 ? 2 : 1;
    const bool wide = *sampleBytes == 2;
    return png_get_channels(png, info) == (wide ? 3 : 4) && (depth == 16 || png_get_bit_depth(png, info) == 8) &&
           png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * (wide ? 6 : sizeof(platform::Pixel));
}

bool ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

std::optional<platform::Surface> DecodePng(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8 || png_sig_cmp(const_cast<png_bytep>(bytes.data()), 0, 8) != 0) {
        SetImageError(ImageBadPng);
        return std::nullopt;
    }
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning, nullptr,
                                               LimitedAllocate, Release);
    if (!png) {
        SetImageError(ImagePngInternal);
        return std::nullopt;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        SetImageError(ImagePngInternal);
        return std::nullopt;
    }

    MemoryReader reader{bytes.data(), bytes.size(), 0};
    png_uint_32 width = 0, height = 0;
    int sampleBytes = 1;
    std::optional<platform::Surface> result;
    if (ReadHeader(png, info, &reader, &width, &height, &sampleBytes)) {
        platform::Surface pixels(static_cast<int>(width), static_cast<int>(height));
        std::vector<png_bytep> rows(height);
        std::vector<uint8_t> wide;
        if (sampleBytes == 2) {
            wide.resize(static_cast<size_t>(width) * height * 6);
            for (png_uint_32 y = 0; y < height; ++y) rows[y] = wide.data() + static_cast<size_t>(y) * width * 6;
        } else {
            for (png_uint_32 y = 0; y < height; ++y)
                rows[y] = reinterpret_cast<png_bytep>(pixels.Row(static_cast<int>(y)));
        }
        if (ReadRows(png, rows.data())) {
            auto sample = [&](size_t i) { return static_cast<uint8_t>(((wide[2 * i] << 8) | wide[2 * i + 1]) / 257); };
            std::span<platform::Pixel> out = pixels.Pixels();
            for (size_t i = 0; i < wide.size() / 6; ++i)
                out[i] = platform::PixelRgb(sample(3 * i), sample(3 * i + 1), sample(3 * i + 2));
            result = std::move(pixels);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!result) SetImageError(ImageBadPng);
    return result;
}

}  // namespace korv
