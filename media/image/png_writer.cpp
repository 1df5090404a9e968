// PNG writing through libpng; errors come back by longjmp into the small
// function below, which holds only trivially destructible locals.

#include "media/image/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "media/image/image_error.h"
#include "media/image/image_file_output.h"
#include "media/image/rgb24_row.h"

namespace korv {

namespace {

void OnError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void OnWarning(png_structp, png_const_charp) {}

bool WriteAll(png_structp png, png_infop info, FILE* file, const platform::Surface* pixels, png_bytep rgbRow) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(pixels->Width()), static_cast<png_uint_32>(pixels->Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < pixels->Height(); ++y) {
        ReadRgb24Row(*pixels, y, rgbRow);
        png_write_row(png, rgbRow);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const platform::Surface& pixels) {
    ClearImageError();
    if (!CheckPictureToWrite(pixels)) return false;
    std::vector<uint8_t> rgbRow(static_cast<size_t>(pixels.Width()) * 3);
    return WriteImageFile(path, [&](FILE* file) {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        png_infop info = png ? png_create_info_struct(png) : nullptr;
        const bool written = png && info && WriteAll(png, info, file, &pixels, rgbRow.data());
        png_destroy_write_struct(&png, &info);
        return written;
    });
}

}  // namespace korv
