#include "media/image/bmp_writer.h"

#include <cstdio>

#include "media/image/image_error.h"
#include "media/image/image_file_output.h"
#include "media/little_endian.h"

namespace korv {

bool WriteBmp(const std::string& path, const platform::Surface& pixels) {
    ClearImageError();
    if (!CheckPictureToWrite(pixels)) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(pixels.Width()) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(pixels.Height());
    std::vector<uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    Put32(header, 54 + imageBytes);  // file size
    Put32(header, 0);
    Put32(header, 54);  // offset of the pixels
    Put32(header, 40);  // BITMAPINFOHEADER
    Put32(header, static_cast<uint32_t>(pixels.Width()));
    Put32(header, static_cast<uint32_t>(pixels.Height()));
    Put16(header, 1);
    Put16(header, 24);
    Put32(header, 0);  // no compression
    Put32(header, imageBytes);
    Put32(header, 2835);  // 72 dots per inch
    Put32(header, 2835);
    Put32(header, 0);
    Put32(header, 0);

    return WriteImageFile(path, [&](FILE* file) {
        if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;
        std::vector<uint8_t> row(rowBytes, 0);
        for (int y = pixels.Height() - 1; y >= 0; --y) {
            const platform::Pixel* in = pixels.Row(y);
            for (int x = 0; x < pixels.Width(); ++x) {
                row[3 * x] = platform::PixelBlue(in[x]);
                row[3 * x + 1] = platform::PixelGreen(in[x]);
                row[3 * x + 2] = platform::PixelRed(in[x]);
            }
            if (std::fwrite(row.data(), 1, rowBytes, file) != rowBytes) return false;
        }
        return true;
    });
}

}  // namespace korv
