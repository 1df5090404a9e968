#include "tests/support/video_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"

namespace korv::test {
namespace {

const std::string kPattern = "testsrc=size=160x120:rate=25";

void RunFfmpeg(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"-hide_banner", "-loglevel", "error", "-y"});
    CommandResult result = RunCommand("ffmpeg", arguments);
    ASSERT_EQ(result.exitCode, 0) << "ffmpeg (needed for the video fixtures) failed: " << result.err;
}

}  // namespace

void MakeTestVideo(const std::filesystem::path& path, const std::string& codec, bool withSound) {
    std::vector<std::string> arguments = {"-f", "lavfi", "-i", kPattern};
    if (withSound) arguments.insert(arguments.end(), {"-f", "lavfi", "-i", "sine=frequency=1000"});
    arguments.insert(arguments.end(), {"-t", "2", "-c:v", codec});
    if (withSound) arguments.insert(arguments.end(), {"-c:a", "pcm_s16le"});
    arguments.push_back(path.string());
    RunFfmpeg(arguments);
}

platform::Surface TestPatternFirstFrame(const std::filesystem::path& folder) {
    const std::filesystem::path raw = folder / "pattern.raw";
    RunFfmpeg({"-f", "lavfi", "-i", kPattern, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "bgr0", raw.string()});
    const std::string bytes = ReadFileBytes(raw);
    platform::Surface surface(kFixtureWidth, kFixtureHeight);
    EXPECT_EQ(bytes.size(), surface.Pixels().size_bytes());
    std::memcpy(surface.Pixels().data(), bytes.data(), std::min(bytes.size(), surface.Pixels().size_bytes()));
    return surface;
}

double MeanChannelDifference(const platform::Surface& a, const platform::Surface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.Pixels().size(); ++i) {
        for (int shift : {0, 8, 16}) {
            int ca = static_cast<int>((a.Pixels()[i] >> shift) & 0xFF);
            int cb = static_cast<int>((b.Pixels()[i] >> shift) & 0xFF);
            sum += std::abs(ca - cb);
        }
    }
    return sum / (3.0 * static_cast<double>(a.Pixels().size()));
}

platform::Surface Crop(const platform::Surface& surface, Rect area) {
    platform::Surface part(area.Width(), area.Height());
    for (int y = 0; y < part.Height(); ++y) {
        for (int x = 0; x < part.Width(); ++x) {
            int sx = area.left + x, sy = area.top + y;
            if (sx >= 0 && sy >= 0 && sx < surface.Width() && sy < surface.Height()) part.Set(x, y, surface.At(sx, sy));
        }
    }
    return part;
}

}  // namespace korv::test
