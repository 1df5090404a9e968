#include "media/image/resize.h"

#include <algorithm>
#include <cmath>

#include "media/image/image_error.h"

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

// Checks the sizes and makes room for the destination's pixels.
bool PrepareResize(const PixelBuffer& source, PixelBuffer& destination) {
    ClearImageError();
    if (source.Empty() || destination.width <= 0 || destination.height <= 0 ||
        source.bytes.size() < static_cast<size_t>(source.width) * source.height * 3) {
        SetImageError(ImageBadParam);
        return false;
    }
    destination.bytes.assign(static_cast<size_t>(destination.width) * destination.height * 3, 0);
    return true;
}

}  // namespace

bool ResizePixels(const PixelBuffer& source, PixelBuffer& destination) {
    if (!PrepareResize(source, destination)) return false;
    const std::vector<Tap> columns = Taps(source.width, destination.width);
    const std::vector<Tap> rows = Taps(source.height, destination.height);
    std::vector<double> upper(static_cast<size_t>(destination.width) * 3), lower(upper.size());

    auto interpolateRow = [&](const uint8_t* in, std::vector<double>& out) {
        for (int i = 0; i < destination.width; ++i) {
            const Tap& tap = columns[static_cast<size_t>(i)];
            for (int c = 0; c < 3; ++c)
                out[static_cast<size_t>(i) * 3 + c] =
                    in[tap.first * 3 + c] * tap.firstWeight + in[tap.second * 3 + c] * tap.weight;
        }
    };
    for (int j = 0; j < destination.height; ++j) {
        const Tap& tap = rows[static_cast<size_t>(j)];
        interpolateRow(source.Row(tap.first), upper);
        interpolateRow(source.Row(tap.second), lower);
        uint8_t* out = destination.Row(j);
        for (size_t k = 0; k < upper.size(); ++k) {
            double value = upper[k] * tap.firstWeight + lower[k] * tap.weight;
            out[k] = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
        }
    }
    return true;
}

bool ResizeKeyedPixels(const PixelBuffer& source, PixelBuffer& destination, platform::Colour key) {
    if (!PrepareResize(source, destination)) return false;
    const uint8_t keyBytes[3] = {key.red, key.green, key.blue};
    auto isKey = [&](const uint8_t* pixel) { return std::equal(keyBytes, keyBytes + 3, pixel); };
    const std::vector<Tap> columns = Taps(source.width, destination.width);
    const std::vector<Tap> rows = Taps(source.height, destination.height);
    for (int j = 0; j < destination.height; ++j) {
        const Tap& row = rows[static_cast<size_t>(j)];
        const uint8_t* upper = source.Row(row.first);
        const uint8_t* lower = source.Row(row.second);
        uint8_t* out = destination.Row(j);
        for (int i = 0; i < destination.width; ++i, out += 3) {
            const Tap& column = columns[static_cast<size_t>(i)];
            const struct {
                const uint8_t* pixel;
                double weight;
            } taps[4] = {{upper + column.first * 3, row.firstWeight * column.firstWeight},
                         {upper + column.second * 3, row.firstWeight * column.weight},
                         {lower + column.first * 3, row.weight * column.firstWeight},
                         {lower + column.second * 3, row.weight * column.weight}};
            double keyWeight = 0, inkWeight = 0, sums[3] = {0, 0, 0};
            for (const auto& tap : taps) {
                if (isKey(tap.pixel)) {
                    keyWeight += tap.weight;
                    continue;
                }
                inkWeight += tap.weight;
                for (int c = 0; c < 3; ++c) sums[c] += tap.pixel[c] * tap.weight;
            }
            if (keyWeight > inkWeight || inkWeight <= 0) {
                std::copy(keyBytes, keyBytes + 3, out);
                continue;
            }
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>(std::clamp(std::lround(sums[c] / inkWeight), 0L, 255L));
        }
    }
    return true;
}

}  // namespace korv
