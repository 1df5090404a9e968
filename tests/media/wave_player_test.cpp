// The process's WAV sound on a virtual clock: waited plays take exactly the
// sound's time, stops cut it within one wait slice, and a new sound
// replaces the one playing.

#include "media/sound/wave_player.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "saver/log.h"
#include "tests/support/test_environment.h"
#include "tests/support/tone_analysis.h"

namespace korv {
namespace {

class WavePlayerTest : public ::testing::Test {
protected:
    WavePlayerTest() : output_(platform::CreateClockedAudioOutput(clock_, true)) { platform::SetSystemAudio(output_.get()); }
    ~WavePlayerTest() override {
        WavePlayer::Instance().Stop();
        platform::SetSystemAudio(nullptr);
    }

    // A sox-made sine of `frequency` as WAV bytes.
    std::vector<uint8_t> Tone(double seconds, int frequency, int rate = 44100, const std::string& encoding = "signed") {
        std::string name = (dir_ / ("tone-" + std::to_string(frequency) + "-" + std::to_string(rate) + encoding + ".wav")).string();
        test::RunSox({"-n", "-r", std::to_string(rate), "-c", "1", "-e", encoding, name, "synth", std::to_string(seconds), "sine",
                      std::to_string(frequency), "vol", "0.5"});
        std::string bytes = test::ReadFileBytes(name);
        return {bytes.begin(), bytes.end()};
    }
    // The left channel of what was mixed between `fromMs` and `toMs`.
    std::vector<double> Mixed(uint64_t fromMs, uint64_t toMs) {
        auto left = test::ChannelOf(output_->Recording(), 2, 0);
        size_t from = fromMs * 441 / 10, to = std::min(left.size(), static_cast<size_t>(toMs * 441 / 10));
        return from < to ? std::vector<double>(left.begin() + static_cast<ptrdiff_t>(from), left.begin() + static_cast<ptrdiff_t>(to))
                         : std::vector<double>{};
    }

    test::TempDir dir_;
    platform::VirtualClock clock_;
    std::unique_ptr<platform::ClockedAudioOutput> output_;
};

TEST_F(WavePlayerTest, AWaitedPlayTakesExactlyTheSoundsTimeAndIsHeard) {
    SetFileLogName((dir_ / "korvlog.txt").string());
    SetFileLogEnabled(true);
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(0.3, 440), true, false, clock_, nullptr));
    SetFileLogEnabled(false);
    SetFileLogName("");
    EXPECT_EQ(clock_.Elapsed(), 300u);
    EXPECT_EQ(test::ReadFileBytes(dir_ / "korvlog.txt"), "Audio output: clocked\r\n");
    auto sound = Mixed(0, 300);
    EXPECT_NEAR(test::ToneAmplitude(sound, 440, 44100), 16384, 300);
    EXPECT_LT(test::ToneAmplitude(sound, 660, 44100), 300);

    // Resampled and ADPCM sounds take their exact time too.
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(0.25, 1000, 22050), true, false, clock_, nullptr));
    EXPECT_EQ(clock_.Elapsed(), 550u);
    EXPECT_NEAR(test::ToneAmplitude(Mixed(310, 540), 1000, 44100), 16384, 500);
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(0.2, 700, 8000, "ms-adpcm"), true, false, clock_, nullptr));
    EXPECT_EQ(clock_.Elapsed(), 750u);
    EXPECT_GT(test::ToneAmplitude(Mixed(560, 740), 700, 44100), 14000);
}

TEST_F(WavePlayerTest, AStopEndsAWaitedPlayWithinOneSlice) {
    platform::Event stop;
    uint64_t observer = clock_.AddAdvanceObserver([&](uint64_t, uint64_t to) {
        if (to >= 120) stop.Set();
    });
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(2, 440), true, false, clock_, &stop));
    clock_.RemoveAdvanceObserver(observer);
    EXPECT_GE(clock_.Elapsed(), 120u);
    EXPECT_LE(clock_.Elapsed(), 220u);
    uint64_t stoppedAt = clock_.Elapsed();
    clock_.Sleep(100);
    EXPECT_EQ(test::Rms(Mixed(stoppedAt, stoppedAt + 100)), 0);
    // A stop that is already set plays nothing at all.
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(1, 440), true, false, clock_, &stop));
    EXPECT_EQ(clock_.Elapsed(), stoppedAt + 100);
}

TEST_F(WavePlayerTest, ALoopRepeatsUntilStoppedAndANewSoundReplacesIt) {
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(0.1, 500), false, true, clock_, nullptr));
    EXPECT_EQ(clock_.Elapsed(), 0u);
    clock_.Sleep(1000);
    auto late = Mixed(900, 1000);
    EXPECT_NEAR(test::ToneAmplitude(late, 500, 44100), 16384, 500);
    EXPECT_GT(test::Rms(late), 10000);  // no gaps between the copies

    // A waited play stops the loop first.
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(0.2, 1500), true, false, clock_, nullptr));
    EXPECT_EQ(clock_.Elapsed(), 1200u);
    auto replaced = Mixed(1000, 1200);
    EXPECT_LT(test::ToneAmplitude(replaced, 500, 44100), 100);
    EXPECT_GT(test::ToneAmplitude(replaced, 1500, 44100), 15000);
    clock_.Sleep(100);
    EXPECT_EQ(test::Rms(Mixed(1200, 1300)), 0);

    // Without wait or loop it plays once; Stop and an empty sound silence it.
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(1, 500), false, false, clock_, nullptr));
    clock_.Sleep(100);
    EXPECT_GT(test::Rms(Mixed(1300, 1400)), 10000);
    WavePlayer::Instance().Stop();
    clock_.Sleep(100);
    EXPECT_EQ(test::Rms(Mixed(1400, 1500)), 0);
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(1, 500), false, true, clock_, nullptr));
    ASSERT_TRUE(WavePlayer::Instance().Play({}, false, false, clock_, nullptr));
    clock_.Sleep(100);
    EXPECT_EQ(test::Rms(Mixed(1500, 1600)), 0);
}

TEST_F(WavePlayerTest, BytesThatAreNoWaveFilePlayNothing) {
    ASSERT_TRUE(WavePlayer::Instance().Play(Tone(1, 500), false, true, clock_, nullptr));
    std::vector<uint8_t> junk{'R', 'I', 'F', 'F', 1, 2, 3};
    EXPECT_FALSE(WavePlayer::Instance().Play(junk, true, false, clock_, nullptr));
    EXPECT_EQ(clock_.Elapsed(), 0u);
    clock_.Sleep(50);
    EXPECT_EQ(test::Rms(Mixed(0, 50)), 0);  // and the sound before it was stopped
}

}  // namespace
}  // namespace korv
