// The outputs: the clocked one mixes exactly the clock's spans and waits for
// slow owners; the system one plays through an SDL device (the disk driver
// here) or, without any device, silently at the pace of real time.

#include "platform/audio_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"
#include "tests/support/test_environment.h"
#include "tests/support/tone_analysis.h"

namespace korv::platform {
namespace {

// `ms` of a sine of `frequency` at 44.1 kHz, 16-bit stereo.
std::vector<uint8_t> Tone(uint32_t ms, double frequency, double amplitude = 8000) {
    size_t frames = static_cast<size_t>(ms) * 441 / 10;
    std::vector<uint8_t> bytes(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        auto value = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * static_cast<double>(i) / 44100)));
        for (int c = 0; c < 2; ++c) {
            bytes[i * 4 + c * 2] = static_cast<uint8_t>(value & 0xFF);
            bytes[i * 4 + c * 2 + 1] = static_cast<uint8_t>((static_cast<uint16_t>(value) >> 8) & 0xFF);
        }
    }
    return bytes;
}

TEST(ClockedAudioOutputTest, BlocksAndEndFollowVirtualTimeExactly) {
    VirtualClock clock;
    auto output = CreateClockedAudioOutput(clock, true);
    EXPECT_EQ(output->DriverName(), "clocked");
    auto source = output->Open(kMixFormat);
    std::vector<std::pair<int, uint64_t>> played;  // block, the clock's time at the end of the span that played it
    uint64_t spanEnd = 0;
    clock.SetAdvanceObserver([&](uint64_t, uint64_t to) { spanEnd = to; });
    for (int block = 0; block < 5; ++block)
        source->Put(Tone(50, 1000), [&played, &spanEnd, block] { played.emplace_back(block, spanEnd); });
    source->Finish();
    EXPECT_EQ(source->QueuedMilliseconds(), 250u);
    for (int step = 0; step < 24; ++step) clock.Sleep(10);
    EXPECT_FALSE(source->Ended().IsSet());
    EXPECT_EQ(source->QueuedMilliseconds(), 10u);
    clock.Sleep(10);
    EXPECT_TRUE(source->Ended().IsSet());
    EXPECT_EQ(played, (std::vector<std::pair<int, uint64_t>>{{0, 50}, {1, 100}, {2, 150}, {3, 200}, {4, 250}}));
    clock.Sleep(50);
    EXPECT_EQ(output->Recording().size(), 300u * 441 / 10 * 2);
    clock.SetAdvanceObserver(nullptr);
}

TEST(ClockedAudioOutputTest, FrameCountsDoNotDriftWithOddSpans) {
    VirtualClock clock;
    auto output = CreateClockedAudioOutput(clock, true);
    for (int i = 0; i < 1000; ++i) clock.Sleep(3);  // 3 ms is 132.3 frames
    EXPECT_EQ(output->Recording().size(), 3000u * 441 / 10 * 2);
    for (int16_t sample : output->Recording()) ASSERT_EQ(sample, 0);
}

TEST(ClockedAudioOutputTest, WaitsForAnOwnerThatQueuesLate) {
    // The owner's thread queues each block only after a pause in real time;
    // the mix is the same as if it had queued everything at once.
    VirtualClock clock;
    auto output = CreateClockedAudioOutput(clock, true);
    auto source = output->Open(kMixFormat);
    std::thread owner([&] {
        for (int block = 0; block < 4; ++block) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            source->Put(Tone(25, 1000, 10000));
        }
        source->Finish();
    });
    clock.Sleep(100);
    owner.join();
    EXPECT_TRUE(source->Ended().IsSet());
    auto left = test::ChannelOf(output->Recording(), 2, 0);
    ASSERT_EQ(left.size(), 4410u);
    EXPECT_GT(test::Rms(std::vector<double>(left.begin() + 4000, left.end())), 6000);
    EXPECT_NEAR(test::ToneAmplitude(left, 1000, 44100), 10000, 100);
}

TEST(ClockedAudioOutputTest, MuteKeepsTimingAndGivesSilence) {
    VirtualClock clock;
    auto output = CreateClockedAudioOutput(clock, true);
    output->SetMuted(true);
    auto source = output->Open(kMixFormat);
    source->Put(Tone(40, 500));
    source->Finish();
    clock.Sleep(40);
    EXPECT_TRUE(source->Ended().IsSet());
    auto recording = output->Recording();
    EXPECT_EQ(recording.size(), 40u * 441 / 10 * 2);
    for (int16_t sample : recording) ASSERT_EQ(sample, 0);
}

TEST(SystemAudioTest, ReplacedAndRestored) {
    VirtualClock clock;
    auto clocked = CreateClockedAudioOutput(clock, false);
    SetSystemAudio(clocked.get());
    EXPECT_EQ(&SystemAudio(), clocked.get());
    SetSystemAudio(nullptr);
    EXPECT_NE(&SystemAudio(), clocked.get());
}

TEST(SystemAudioTest, WithoutADeviceSoundsTakeTheirRealTime) {
    test::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    AudioOutput& output = SystemAudio();
    auto start = std::chrono::steady_clock::now();
    auto source = output.Open(kMixFormat);
    ASSERT_TRUE(source);
    EXPECT_EQ(output.DriverName(), "silent");
    source->Put(Tone(300, 440));
    source->Finish();
    ASSERT_TRUE(source->Ended().Wait(5000));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(290));
    EXPECT_EQ(source->PlayedFrames(), 300u * 441 / 10);
    // A second sound after the first has gone starts the silent mixing again.
    auto again = output.Open({8000, 1, SampleType::U8});
    again->Put(std::vector<uint8_t>(800, 200));
    again->Finish();
    EXPECT_TRUE(again->Ended().Wait(5000));
}

TEST(SystemAudioTest, TheDiskDriverReceivesTheSound) {
    // A child process plays a sox-made tone through SDL's disk driver and
    // ends normally, which closes the device and completes the file.
    test::TempDir dir;
    std::string tone = (dir / "tone.raw").string();
    test::RunSox({"-n", "-r", "22050", "-c", "1", "-b", "16", "-e", "signed", tone, "synth", "0.4", "sine", "1000", "vol", "0.5"});
    std::string captured = (dir / "device.raw").string();
    std::string bytes = test::ReadFileBytes(tone);
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", captured.c_str(), 1);
            auto source = SystemAudio().Open({22050, 1, SampleType::S16});
            if (!source || SystemAudio().DriverName() != "disk") std::_Exit(3);
            source->Put({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
            source->Finish();
            std::exit(source->Ended().Wait(10000) ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
    auto samples = test::S16Samples(test::ReadFileBytes(captured));
    auto left = test::ChannelOf(samples, 2, 0);
    ASSERT_GT(left.size(), 44100u * 3 / 10);
    EXPECT_GT(test::ToneAmplitude(left, 1000, 44100), 10000);
    EXPECT_LT(test::ToneAmplitude(left, 1500, 44100), 300);
}

}  // namespace
}  // namespace korv::platform
