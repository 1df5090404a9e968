#include "media/image/resize.h"

#include <algorithm>
#include <cmath>

#include "media/image/image_error.h"
#include "media/image/picture.h"

namespace korv {

namespace {

// For each destination column (or row): the two source indexes and the
// weight of the second, computed once.
struct Tap {
    int first;
    int second;
    double weight;  // of `second`; `first` weighs (first + 1 - position)
    double firstWeight;
};

std::vector<Tap> Taps(int sourceSize, int destinationSize) {
    std::vector<Tap> taps(static_cast<size_t>(destinationSize));
    const double step = static_cast<double>(sourceSize) / destinationSize;
    for (int i = 0; i < destinationSize; ++i) {
        double position = std::clamp(i * step, 0.0, static_cast<double>(sourceSize - 1));
        int first = static_cast<int>(std::floor(position));
        int second = std::min(first + 1, sourceSize - 1);
        taps[static_cast<size_t>(i)] = {first, second, position - first, first + 1 - position};
    }
    return taps;
}

// Channel `c` (0 red, 1 green, 2 blue) of a pixel.
uint8_t ChannelOf(platform::Pixel pixel, int c) { return static_cast<uint8_t>(pixel >> (16 - 8 * c)); }

// Checks the sizes and makes room for the destination's pixels.
std::optional<platform::Surface> PrepareResize(const platform::Surface& source, int width, int height) {
    ClearImageError();
    if (source.Empty() || width <= 0 || height <= 0) {
        SetImageError(ImageBadParam);
        return std::nullopt;
    }
    return platform::Surface(width, height);
}

}  // namespace

std::optional<platform::Surface> ResizePixels(const platform::Surface& source, int width, int height) {
    std::optional<platform::Surface> destination = PrepareResize(source, width, height);
    if (!destination) return std::nullopt;
    if (width == source.Width() && height == source.Height()) {
        // Every tap falls on its own pixel with weight 0 for the next: the
        // interpolation gives the picture back unchanged.
        std::transform(source.Pixels().begin(), source.Pixels().end(), destination->Pixels().begin(),
                       [](platform::Pixel p) { return p & kPictureColourBits; });
        return destination;
    }
    const std::vector<Tap> columns = Taps(source.Width(), width);
    const std::vector<Tap> rows = Taps(source.Height(), height);
    std::vector<double> upper(static_cast<size_t>(width) * 3), lower(upper.size());
    std::vector<uint8_t> clamped(upper.size());

    auto interpolateRow = [&](const platform::Pixel* in, std::vector<double>& out) {
        for (int i = 0; i < width; ++i) {
            const Tap& tap = columns[static_cast<size_t>(i)];
            const platform::Pixel first = in[tap.first], second = in[tap.second];
            double* channels = &out[static_cast<size_t>(i) * 3];
            channels[0] = platform::PixelRed(first) * tap.firstWeight + platform::PixelRed(second) * tap.weight;
            channels[1] = platform::PixelGreen(first) * tap.firstWeight + platform::PixelGreen(second) * tap.weight;
            channels[2] = platform::PixelBlue(first) * tap.firstWeight + platform::PixelBlue(second) * tap.weight;
        }
    };
    // Which source rows `upper` and `lower` hold: neighbouring destination
    // rows often share one, which is then interpolated only once.
    int upperRow = -1, lowerRow = -1;
    for (int j = 0; j < height; ++j) {
        const Tap& tap = rows[static_cast<size_t>(j)];
        if (tap.first != upperRow) {
            if (tap.first == lowerRow) {
                std::swap(upper, lower);
                std::swap(upperRow, lowerRow);
            } else {
                interpolateRow(source.Row(tap.first), upper);
                upperRow = tap.first;
            }
        }
        if (tap.second != lowerRow) {
            interpolateRow(source.Row(tap.second), lower);
            lowerRow = tap.second;
        }
        for (size_t k = 0; k < upper.size(); ++k) {
            double value = upper[k] * tap.firstWeight + lower[k] * tap.weight;
            clamped[k] = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
        }
        platform::Pixel* out = destination->Row(j);
        for (int i = 0; i < width; ++i) {
            const uint8_t* c = &clamped[static_cast<size_t>(i) * 3];
            out[i] = platform::PixelRgb(c[0], c[1], c[2]);
        }
    }
    return destination;
}

std::optional<platform::Surface> ResizeKeyedPixels(const platform::Surface& source, int width, int height,
                                                   platform::Colour key) {
    std::optional<platform::Surface> destination = PrepareResize(source, width, height);
    if (!destination) return std::nullopt;
    const platform::Pixel keyPixel = platform::ColourToPixel(key);
    auto isKey = [&](platform::Pixel pixel) { return (pixel & kPictureColourBits) == keyPixel; };
    const std::vector<Tap> columns = Taps(source.Width(), width);
    const std::vector<Tap> rows = Taps(source.Height(), height);
    for (int j = 0; j < height; ++j) {
        const Tap& row = rows[static_cast<size_t>(j)];
        const platform::Pixel* upper = source.Row(row.first);
        const platform::Pixel* lower = source.Row(row.second);
        platform::Pixel* out = destination->Row(j);
        for (int i = 0; i < width; ++i) {
            const Tap& column = columns[static_cast<size_t>(i)];
            const struct {
                platform::Pixel pixel;
                double weight;
            } taps[4] = {{upper[column.first], row.firstWeight * column.firstWeight},
                         {upper[column.second], row.firstWeight * column.weight},
                         {lower[column.first], row.weight * column.firstWeight},
                         {lower[column.second], row.weight * column.weight}};
            double keyWeight = 0, inkWeight = 0, sums[3] = {0, 0, 0};
            for (const auto& tap : taps) {
                if (isKey(tap.pixel)) {
                    keyWeight += tap.weight;
                    continue;
                }
                inkWeight += tap.weight;
                for (int c = 0; c < 3; ++c) sums[c] += ChannelOf(tap.pixel, c) * tap.weight;
            }
            if (keyWeight > inkWeight || inkWeight <= 0) {
                out[i] = keyPixel;
                continue;
            }
            uint8_t channels[3];
            for (int c = 0; c < 3; ++c)
                channels[c] = static_cast<uint8_t>(std::clamp(std::lround(sums[c] / inkWeight), 0L, 255L));
            out[i] = platform::PixelRgb(channels[0], channels[1], channels[2]);
        }
    }
    return destination;
}

}  // namespace korv
