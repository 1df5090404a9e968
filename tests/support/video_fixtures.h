#pragma once
// Videos made at test time with the ffmpeg command: two seconds of the
// testsrc pattern (160 x 120, 25 pictures a second), with or without a
// 1 kHz tone, and the pattern's first picture uncompressed for comparison.

#include <filesystem>
#include <string>

#include "platform/surface.h"

namespace korv::test {

inline constexpr int kFixtureWidth = 160;
inline constexpr int kFixtureHeight = 120;
inline constexpr int kFixtureFrames = 50;
inline constexpr int kFixtureDurationMs = 2000;

// `codec`: "mjpeg" or "mpeg4". Fails the test when ffmpeg is missing or fails.
void MakeTestVideo(const std::filesystem::path& path, const std::string& codec, bool withSound);
// The pattern's first picture as the generator makes it (no compression).
platform::Surface TestPatternFirstFrame(const std::filesystem::path& folder);

// The mean difference per colour channel of two surfaces of the same size
// (255 when the sizes differ).
double MeanChannelDifference(const platform::Surface& a, const platform::Surface& b);
// The part of `surface` at `area`.
platform::Surface Crop(const platform::Surface& surface, Rect area);

}  // namespace korv::test
