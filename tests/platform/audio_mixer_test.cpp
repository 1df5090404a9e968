// The mixer: conversion of every source format to 44.1 kHz stereo, sums with
// saturation, mute, stop, and when blocks count as played.

#include "platform/sdl/sdl_audio_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace korv::platform {
namespace {

// `seconds` of a constant value in `format` (value: -1..1 of full scale).
std::vector<uint8_t> Constant(const AudioFormat& format, double seconds, double value) {
    size_t samples = static_cast<size_t>(seconds * format.rate) * static_cast<size_t>(format.channels);
    std::vector<uint8_t> bytes(samples * static_cast<size_t>(format.BytesPerSample()));
    for (size_t i = 0; i < samples; ++i) {
        uint8_t* at = &bytes[i * static_cast<size_t>(format.BytesPerSample())];
        switch (format.type) {
        case SampleType::U8: *at = static_cast<uint8_t>(128 + std::lround(value * 128)); break;
        case SampleType::S16: {
            auto v = static_cast<int16_t>(std::lround(value * 32768));
            std::memcpy(at, &v, 2);
            break;
        }
        case SampleType::S32: {
            auto v = static_cast<int32_t>(std::lround(value * 2147483648.0));
            std::memcpy(at, &v, 4);
            break;
        }
        case SampleType::F32: {
            auto v = static_cast<float>(value);
            std::memcpy(at, &v, 4);
            break;
        }
        }
    }
    return bytes;
}

std::vector<int16_t> MixFrames(AudioMixer& mixer, size_t frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    mixer.Mix(out);
    return out;
}

struct Pair {
    AudioFormat first, second;
};

class MixedFormatsTest : public ::testing::TestWithParam<Pair> {};

TEST_P(MixedFormatsTest, TwoSourcesAddUpAfterConversion) {
    // Constant levels survive any resampling, so the sum is known in the middle of the sound.
    AudioMixer mixer;
    auto a = mixer.Open(GetParam().first);
    auto b = mixer.Open(GetParam().second);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->Put(Constant(a->Format(), 0.5, 0.25)));
    ASSERT_TRUE(b->Put(Constant(b->Format(), 0.5, -0.125)));
    a->Finish();
    b->Finish();
    auto out = MixFrames(mixer, 44100);
    // The resampler's ripple stays well under 1 %.
    for (size_t frame = 5000; frame < 17000; frame += 97) {
        EXPECT_NEAR(out[frame * 2], 4096, 32) << frame;
        EXPECT_NEAR(out[frame * 2 + 1], 4096, 32) << frame;
    }
    // Both have ended after their half second (give or take the converter's edges) and left the mixer.
    EXPECT_TRUE(a->Ended().IsSet());
    EXPECT_TRUE(b->Ended().IsSet());
    EXPECT_EQ(mixer.SourceCount(), 0u);
    // The sound lasts its half second, not a frame lost on the way.
    size_t last = 0;
    for (size_t frame = 0; frame < 44100; ++frame)
        if (out[frame * 2] != 0) last = frame;
    EXPECT_NEAR(static_cast<double>(last), 22050, 60);
    EXPECT_EQ(a->PlayedFrames(), static_cast<uint64_t>(a->Format().rate / 2));
    EXPECT_EQ(a->QueuedMilliseconds(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, MixedFormatsTest,
                         ::testing::Values(Pair{{8000, 1, SampleType::U8}, {22050, 2, SampleType::S16}},
                                           Pair{{44100, 2, SampleType::F32}, {8000, 1, SampleType::S16}},
                                           Pair{{22050, 1, SampleType::F32}, {44100, 1, SampleType::U8}},
                                           Pair{{48000, 2, SampleType::S32}, {11025, 2, SampleType::F32}}));

TEST(AudioMixerTest, SumsSaturateAtTheLimits) {
    AudioMixer mixer;
    AudioFormat format{44100, 2, SampleType::S16};
    auto loud = mixer.Open(format);
    auto louder = mixer.Open(format);
    loud->Put(Constant(format, 0.01, 0.9));
    louder->Put(Constant(format, 0.01, 0.9));
    loud->Put(Constant(format, 0.01, -0.9));
    louder->Put(Constant(format, 0.01, -0.9));
    auto out = MixFrames(mixer, 882);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[441 * 2 - 1], 32767);
    EXPECT_EQ(out[441 * 2], -32768);
    EXPECT_EQ(out[882 * 2 - 1], -32768);
}

TEST(AudioMixerTest, MutedSourcesKeepTheirPaceButAreSilent) {
    AudioMixer mixer;
    mixer.SetMuted(true);
    EXPECT_TRUE(mixer.Muted());
    AudioFormat format{22050, 1, SampleType::S16};
    auto source = mixer.Open(format);
    source->Put(Constant(format, 0.2, 0.5));
    source->Finish();
    auto out = MixFrames(mixer, 4410);  // 100 ms
    EXPECT_EQ(out.size(), 8820u);
    for (int16_t sample : out) ASSERT_EQ(sample, 0);
    EXPECT_NEAR(static_cast<double>(source->PlayedFrames()), 2205, 2);
    EXPECT_FALSE(source->Ended().IsSet());
    MixFrames(mixer, 4410 + 100);
    EXPECT_TRUE(source->Ended().IsSet());

    mixer.SetMuted(false);
    auto audible = mixer.Open(format);
    audible->Put(Constant(format, 0.1, 0.5));
    EXPECT_NE(MixFrames(mixer, 1000)[1000], 0);
}

TEST(AudioMixerTest, StopSilencesAtOnceAndRefusesMore) {
    AudioMixer mixer;
    AudioFormat format{44100, 2, SampleType::S16};
    auto source = mixer.Open(format);
    bool played = false;
    source->Put(Constant(format, 1.0, 0.5), [&] { played = true; });
    auto before = MixFrames(mixer, 441);
    EXPECT_EQ(before[100], 16384);
    source->Stop();
    EXPECT_TRUE(source->Ended().IsSet());
    EXPECT_FALSE(source->Put(Constant(format, 0.1, 0.5)));
    EXPECT_EQ(source->QueuedMilliseconds(), 0u);
    auto after = MixFrames(mixer, 441);
    for (int16_t sample : after) ASSERT_EQ(sample, 0);
    EXPECT_FALSE(played);
    EXPECT_EQ(mixer.SourceCount(), 0u);
}

TEST(AudioMixerTest, BlocksCountAsPlayedOnceTheirLastFrameIsMixed) {
    AudioMixer mixer;
    AudioFormat format{44100, 1, SampleType::S16};
    auto source = mixer.Open(format);
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) source->Put(Constant(format, 0.01, 0.1), [&order, i] { order.push_back(i); });
    EXPECT_EQ(source->QueuedMilliseconds(), 30u);
    MixFrames(mixer, 440);
    EXPECT_TRUE(order.empty());
    MixFrames(mixer, 1);
    EXPECT_EQ(order, (std::vector<int>{0}));
    EXPECT_EQ(source->PlayedFrames(), 441u);
    EXPECT_EQ(source->QueuedMilliseconds(), 20u);
    MixFrames(mixer, 441);
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
    // A callback may queue more on the same source.
    source->Put(Constant(format, 0.01, 0.1), [&] {
        order.push_back(3);
        source->Put(Constant(format, 0.01, 0.1), [&] { order.push_back(4); });
        source->Finish();
    });
    MixFrames(mixer, 882);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_FALSE(source->Ended().IsSet());
    MixFrames(mixer, 441);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(source->Ended().IsSet());
}

TEST(AudioMixerTest, RefusesFormatsItCannotTake) {
    AudioMixer mixer;
    EXPECT_EQ(mixer.Open({44100, 0, SampleType::S16}), nullptr);
    EXPECT_EQ(mixer.Open({44100, 9, SampleType::S16}), nullptr);
    EXPECT_EQ(mixer.Open({999, 2, SampleType::S16}), nullptr);
    for (int channels = 1; channels <= 8; ++channels) EXPECT_NE(mixer.Open({48000, channels, SampleType::F32}), nullptr) << channels;
}

TEST(AudioMixerTest, ASourceLetGoWithoutFinishPlaysOutAndLeaves) {
    AudioMixer mixer;
    AudioFormat format{44100, 2, SampleType::S16};
    {
        auto source = mixer.Open(format);
        source->Put(Constant(format, 0.01, 0.5));
    }
    auto out = MixFrames(mixer, 882);
    EXPECT_EQ(out[2], 16384);
    EXPECT_EQ(out[441 * 2 + 2], 0);
    EXPECT_EQ(mixer.SourceCount(), 0u);
}

}  // namespace
}  // namespace korv::platform
