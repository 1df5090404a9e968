// JPEG through libjpeg. libjpeg reports fatal errors through a callback
// that must not return; it jumps back with longjmp into the small functions
// below, which hold only trivially destructible locals so that the jump
// skips no C++ destructor.

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "media/image/image_file_output.h"
#include "media/image/jpeg_codec.h"
#include "media/image/rgb24_row.h"

namespace korv {

namespace {

// A picture may not claim more raw bytes per input byte than any JPEG can
// deliver; this refuses tiny files that declare huge pictures.
constexpr uint64_t kMaxExpansion = 2000;
constexpr long kMaxDecoderMemory = 768L << 20;
// libjpeg's layout of 4-byte pixels that matches a native 0x00RRGGBB, apart
// from the fourth byte, which it leaves undefined.
constexpr J_COLOR_SPACE kPixelColourSpace = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

[[noreturn]] void OnFatalError(j_common_ptr info);
void OnMessage(j_common_ptr info, int level);

// libjpeg's error manager with the jump target for fatal errors.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool truncated;

    jpeg_error_mgr* Install() {
        jpeg_std_error(&manager);
        manager.error_exit = OnFatalError;
        manager.emit_message = OnMessage;
        return &manager;
    }
};

void OnFatalError(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

void OnMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    // A file that ends early is decoded by libjpeg with grey filling; here
    // it counts as damaged.
    if (level < 0 && errors->manager.msg_code == JWRN_JPEG_EOF) errors->truncated = true;
}

bool StartDecoding(jpeg_decompress_struct* info, JpegErrors* errors, const uint8_t* data, size_t size) {
    if (setjmp(errors->jump)) return false;
    jpeg_mem_src(info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    if (!AcceptableImageSize(info->image_width, info->image_height)) return false;
    uint64_t raw = uint64_t{info->image_width} * info->image_height * 3;
    if (raw > kMaxExpansion * size) return false;
    info->out_color_space =
        info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK ? JCS_CMYK : kPixelColourSpace;
    jpeg_start_decompress(info);
    return true;
}

// Adobe CMYK JPEGs store inverted values; ink density becomes RGB light.
void CmykRowToPixels(const uint8_t* cmyk, platform::Pixel* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = platform::PixelRgb(static_cast<uint8_t>(c * k / 255), static_cast<uint8_t>(m * k / 255),
                                    static_cast<uint8_t>(y * k / 255));
    }
}

// Clears the byte libjpeg leaves undefined in each pixel. Blocks of four
// pixels are handled as one vector operation.
void ClearFourthBytes(platform::Pixel* pixels, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4)
        for (int i = 0; i < 4; ++i) pixels[x + i] &= kPictureColourBits;
    for (; x < width; ++x) pixels[x] &= kPictureColourBits;
}

bool ReadScanline(jpeg_decompress_struct* info, JpegErrors* errors, JSAMPROW row) {
    if (setjmp(errors->jump)) return false;
    return jpeg_read_scanlines(info, &row, 1) == 1;
}

bool FinishDecoding(jpeg_decompress_struct* info, JpegErrors* errors) {
    if (setjmp(errors->jump)) return false;
    jpeg_finish_decompress(info);
    return true;
}

// Reads every scanline into `out`: pixels straight from libjpeg, or CMYK
// samples converted row by row.
bool ReadPixels(jpeg_decompress_struct* info, JpegErrors* errors, platform::Surface& out) {
    const bool cmyk = info->out_color_space == JCS_CMYK;
    const int width = out.Width();
    std::vector<uint8_t> cmykRow(cmyk ? static_cast<size_t>(width) * 4 : 0);
    while (info->output_scanline < info->output_height) {
        platform::Pixel* pixels = out.Row(static_cast<int>(info->output_scanline));
        if (!ReadScanline(info, errors, cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(pixels))) return false;
        if (cmyk) {
            CmykRowToPixels(cmykRow.data(), pixels, width, info->saw_Adobe_marker);
        } else {
            ClearFourthBytes(pixels, width);
        }
    }
    return FinishDecoding(info, errors);
}

bool WriteAll(jpeg_compress_struct* info, JpegErrors* errors, FILE* file, const platform::Surface* pixels,
              uint8_t* rgbRow, int quality, bool progressive) {
    if (setjmp(errors->jump)) return false;
    jpeg_stdio_dest(info, file);
    info->image_width = static_cast<JDIMENSION>(pixels->Width());
    info->image_height = static_cast<JDIMENSION>(pixels->Height());
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    if (progressive) jpeg_simple_progression(info);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        ReadRgb24Row(*pixels, static_cast<int>(info->next_scanline), rgbRow);
        jpeg_write_scanlines(info, &rgbRow, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

}  // namespace

std::optional<platform::Surface> DecodeJpeg(std::span<const uint8_t> bytes) {
    jpeg_decompress_struct info;
    JpegErrors errors{};
    info.err = errors.Install();
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxDecoderMemory;

    std::optional<platform::Surface> result;
    if (StartDecoding(&info, &errors, bytes.data(), bytes.size())) {
        int width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
        if (info.output_components == 4 && AcceptableImageSize(width, height)) {
            platform::Surface pixels(width, height);
            if (ReadPixels(&info, &errors, pixels) && !errors.truncated) result = std::move(pixels);
        }
    }
    jpeg_destroy_decompress(&info);
    if (!result) SetImageError(ImageBadJpeg);
    return result;
}

bool WriteJpeg(const std::string& path, const platform::Surface& pixels, int quality, bool progressive) {
    ClearImageError();
    if (!CheckPictureToWrite(pixels)) return false;
    if (quality < 0 || quality > 100) {
        SetImageError(ImageBadParam);
        return false;
    }
    std::vector<uint8_t> rgbRow(static_cast<size_t>(pixels.Width()) * 3);
    return WriteImageFile(path, [&](FILE* file) {
        jpeg_compress_struct info;
        JpegErrors errors{};
        info.err = errors.Install();
        jpeg_create_compress(&info);
        const bool written = WriteAll(&info, &errors, file, &pixels, rgbRow.data(), quality, progressive);
        jpeg_destroy_compress(&info);
        return written;
    });
}

}  // namespace korv
