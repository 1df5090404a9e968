#include "tests/support/rgb24_pictures.h"

namespace korv::test {

std::vector<uint8_t> Rgb24Bytes(const platform::Surface& picture) {
    std::vector<uint8_t> rgb;
    rgb.reserve(picture.Pixels().size() * 3);
    for (platform::Pixel pixel : picture.Pixels()) {
        rgb.push_back(platform::PixelRed(pixel));
        rgb.push_back(platform::PixelGreen(pixel));
        rgb.push_back(platform::PixelBlue(pixel));
    }
    return rgb;
}

platform::Surface PictureFromRgb24(int width, int height, std::span<const uint8_t> rgb) {
    platform::Surface picture(width, height);
    std::span<platform::Pixel> pixels = picture.Pixels();
    for (size_t i = 0; i < pixels.size() && 3 * i + 2 < rgb.size(); ++i)
        pixels[i] = platform::PixelRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    return picture;
}

}  // namespace korv::test
