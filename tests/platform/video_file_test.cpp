// Video files decoded through FFmpeg: the fixtures' size, length, picture
// times, colours and sound; another pass after Rewind; the same from memory;
// and files that are missing, damaged or hold no video.

#include "platform/video_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "tests/support/video_fixtures.h"

namespace korv::platform {
namespace {

namespace fs = std::filesystem;

struct DecodedPictures {
    std::vector<Surface> pictures;
    std::vector<int64_t> times;
};

DecodedPictures DecodeAll(VideoFile& file) {
    DecodedPictures decoded;
    Surface picture;
    int64_t time = 0;
    while (file.NextFrame(picture, time)) {
        decoded.pictures.push_back(picture);
        decoded.times.push_back(time);
    }
    return decoded;
}

std::vector<int16_t> DecodeSound(VideoFile& file) {
    std::vector<int16_t> samples;
    std::vector<uint8_t> block;
    while (file.NextAudio(block)) {
        EXPECT_EQ(block.size() % static_cast<size_t>(kMixFormat.BytesPerFrame()), 0u);
        const auto* first = reinterpret_cast<const int16_t*>(block.data());
        samples.insert(samples.end(), first, first + block.size() / 2);
    }
    return samples;
}

class VideoFileTest : public ::testing::TestWithParam<std::string> {
protected:
    test::TempDir dir_;
};

TEST_P(VideoFileTest, DecodesEveryPictureAtItsTimeWithTheSourceColoursAndTheSound) {
    const fs::path path = dir_ / ("clip-" + GetParam() + ".avi");
    test::MakeTestVideo(path, GetParam(), true);
    VideoOpenResult opened = OpenVideoFile(path.string());
    ASSERT_TRUE(opened.file) << opened.errorText;
    VideoFile& file = *opened.file;
    EXPECT_EQ(file.Width(), test::kFixtureWidth);
    EXPECT_EQ(file.Height(), test::kFixtureHeight);
    EXPECT_EQ(file.DurationMs(), test::kFixtureDurationMs);
    EXPECT_NEAR(file.FrameRate(), 25.0, 0.01);
    EXPECT_TRUE(file.HasAudio());

    DecodedPictures decoded = DecodeAll(file);
    ASSERT_EQ(decoded.pictures.size(), static_cast<size_t>(test::kFixtureFrames));
    for (size_t i = 0; i < decoded.times.size(); ++i) EXPECT_EQ(decoded.times[i], static_cast<int64_t>(i) * 40) << i;
    for (const Surface& picture : decoded.pictures) {
        EXPECT_EQ(picture.Width(), test::kFixtureWidth);
        EXPECT_EQ(picture.Height(), test::kFixtureHeight);
        EXPECT_TRUE(std::ranges::all_of(picture.Pixels(), [](Pixel p) { return (p >> 24) == 0; })) << "0x00RRGGBB";
    }
    // Lossy compression changes the pattern only a little; swapped red and
    // blue or a wrong row stride would change it a lot.
    Surface pattern = test::TestPatternFirstFrame(dir_.path());
    EXPECT_LT(test::MeanChannelDifference(decoded.pictures[0], pattern), 12.0);
    EXPECT_GT(test::MeanChannelDifference(decoded.pictures[0], decoded.pictures[25]), 0.5) << "the pattern moves";

    // Two seconds of a 1 kHz tone in 16-bit stereo at 44 100 Hz.
    std::vector<int16_t> sound = DecodeSound(file);
    EXPECT_NEAR(static_cast<double>(sound.size()) / 2, 88200.0, 1024.0);
    int peak = 0;
    int crossings = 0;
    for (size_t i = 2; i < sound.size(); i += 2) {
        peak = std::max(peak, std::abs(static_cast<int>(sound[i])));
        if ((sound[i - 2] < 0) != (sound[i] < 0)) ++crossings;
    }
    EXPECT_GT(peak, 2000);
    EXPECT_NEAR(crossings, 4000, 100) << "two crossings a period";

    // Another pass gives the same pictures and sound.
    ASSERT_TRUE(file.Rewind());
    DecodedPictures again = DecodeAll(file);
    ASSERT_EQ(again.pictures.size(), decoded.pictures.size());
    EXPECT_EQ(again.pictures[0].Pixels()[0], decoded.pictures[0].Pixels()[0]);
    EXPECT_EQ(test::MeanChannelDifference(again.pictures[49], decoded.pictures[49]), 0.0);
    EXPECT_EQ(DecodeSound(file).size(), sound.size());

    // From memory, the same.
    const std::string bytes = test::ReadFileBytes(path);
    VideoOpenResult fromMemory =
        OpenVideoMemory(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(fromMemory.file) << fromMemory.errorText;
    DecodedPictures memoryPictures = DecodeAll(*fromMemory.file);
    ASSERT_EQ(memoryPictures.pictures.size(), decoded.pictures.size());
    EXPECT_EQ(test::MeanChannelDifference(memoryPictures.pictures[10], decoded.pictures[10]), 0.0);
}

// The codecs old AVI files carry most.
INSTANTIATE_TEST_SUITE_P(Codecs, VideoFileTest, ::testing::Values("mjpeg", "mpeg4", "cinepak", "msvideo1", "libx264"));

class VideoFileFailureTest : public ::testing::Test {
protected:
    test::TempDir dir_;
};

TEST_F(VideoFileFailureTest, AVideoWithoutSoundHasNoAudioBlocks) {
    const fs::path path = dir_ / "silent.avi";
    test::MakeTestVideo(path, "mjpeg", false);
    VideoOpenResult opened = OpenVideoFile(path.string());
    ASSERT_TRUE(opened.file) << opened.errorText;
    EXPECT_FALSE(opened.file->HasAudio());
    std::vector<uint8_t> block;
    EXPECT_FALSE(opened.file->NextAudio(block));
    EXPECT_EQ(DecodeAll(*opened.file).pictures.size(), static_cast<size_t>(test::kFixtureFrames));
}

TEST_F(VideoFileFailureTest, MissingDamagedAndSoundOnlyFilesFailTheOpenWithAnExplanation) {
    VideoOpenResult missing = OpenVideoFile((dir_ / "missing.avi").string());
    EXPECT_FALSE(missing.file);
    EXPECT_EQ(missing.error, VideoOpenError::FileNotFound);
    EXPECT_FALSE(missing.errorText.empty());

    std::mt19937 random(7);
    std::string noise(20000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    test::WriteFileBytes(dir_ / "noise.avi", noise);
    VideoOpenResult damaged = OpenVideoFile((dir_ / "noise.avi").string());
    EXPECT_FALSE(damaged.file);
    EXPECT_EQ(damaged.error, VideoOpenError::NotAVideo);
    EXPECT_FALSE(damaged.errorText.empty());

    test::WriteFileBytes(dir_ / "empty.avi", "");
    EXPECT_FALSE(OpenVideoFile((dir_ / "empty.avi").string()).file);

    const fs::path tone = dir_ / "tone.wav";
    test::CommandResult made = test::RunCommand(
        "ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=1000", "-t", "1", tone.string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    VideoOpenResult soundOnly = OpenVideoFile(tone.string());
    EXPECT_FALSE(soundOnly.file);
    EXPECT_EQ(soundOnly.error, VideoOpenError::NotAVideo);
}

// A damaged time base whose length overflows in the rescale: the length is
// unknown (0), never negative (found by the fuzzer).
TEST_F(VideoFileFailureTest, ALengthThatOverflowsIsUnknownNotNegative) {
    const std::string bytes = test::ReadFileBytes(test::SourceFilePath("fuzz/corpus/avi_open/broken_time_base.avi"));
    ASSERT_FALSE(bytes.empty());
    VideoOpenResult opened = OpenVideoMemory(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(opened.file) << opened.errorText;
    EXPECT_EQ(opened.file->DurationMs(), 0);
}

TEST_F(VideoFileFailureTest, TruncatedAndCorruptedVideosDecodeWhatTheyCanWithoutCrashing) {
    const fs::path path = dir_ / "whole.avi";
    test::MakeTestVideo(path, "mpeg4", true);
    const std::string whole = test::ReadFileBytes(path);
    ASSERT_GT(whole.size(), 20000u);

    for (size_t keep : {size_t{200}, size_t{4000}, whole.size() / 2}) {
        test::WriteFileBytes(dir_ / "cut.avi", whole.substr(0, keep));
        VideoOpenResult opened = OpenVideoFile((dir_ / "cut.avi").string());
        if (!opened.file) continue;
        DecodedPictures decoded = DecodeAll(*opened.file);
        EXPECT_LT(decoded.pictures.size(), static_cast<size_t>(test::kFixtureFrames)) << keep;
        DecodeSound(*opened.file);
    }

    // Random bytes written over the middle of the file.
    std::mt19937 random(11);
    std::string corrupted = whole;
    for (size_t i = 0; i < 3000; ++i) corrupted[whole.size() / 3 + random() % (whole.size() / 2)] = static_cast<char>(random());
    test::WriteFileBytes(dir_ / "corrupted.avi", corrupted);
    VideoOpenResult opened = OpenVideoFile((dir_ / "corrupted.avi").string());
    ASSERT_TRUE(opened.file) << "the header is intact";
    DecodedPictures decoded = DecodeAll(*opened.file);
    EXPECT_GT(decoded.pictures.size(), 5u);
    for (const Surface& picture : decoded.pictures) EXPECT_EQ(picture.Width(), test::kFixtureWidth);
    DecodeSound(*opened.file);
}

}  // namespace
}  // namespace korv::platform
