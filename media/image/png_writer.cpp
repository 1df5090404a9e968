// PNG writing through libpng; errors come back by longjmp into the small
// function below, which holds only trivially destructible locals.

#include "media/image/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "media/image/image_error.h"
#include "media/image/image_file_output.h"

namespace korv {

namespace {

void OnError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void OnWarning(png_structp, png_const_charp) {}

bool WriteAll(png_structp png, png_infop info, FILE* file, const PixelBuffer* pixels, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(pixels->width), static_cast<png_uint_32>(pixels->height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const PixelBuffer& pixels) {
    ClearImageError();
    if (!CheckPictureToWrite(pixels)) return false;
    std::vector<png_bytep> rows(static_cast<size_t>(pixels.height));
    for (int y = 0; y < pixels.height; ++y) rows[static_cast<size_t>(y)] = const_cast<uint8_t*>(pixels.Row(y));
    return WriteImageFile(path, [&](FILE* file) {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        const bool written = png && info && WriteAll(png, info, file, &pixels, rows.data());
        png_destroy_write_struct(&png, &info);
        return written;
    });
}

}  // namespace korv
