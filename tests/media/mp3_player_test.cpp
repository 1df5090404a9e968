// MP3 playback: the frame headers and the first-frame scan (ID3v2 tags,
// junk before the first frame), then real encodings (espeak-ng speech
// through lame at several rates and channel counts) played through test
// outputs: the playback format, the length of what is queued, the chunks,
// waiting, stopping, looping, files, and damaged data.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "media/sound/mp3_conversion.h"
#include "media/sound/mp3_frame_scan.h"
#include "media/sound/mp3_output_format.h"
#include "media/sound/mp3_player.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "tests/support/command_runner.h"
#include "tests/support/instant_audio_output.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using platform::SampleType;

constexpr auto kHangGuard = std::chrono::seconds(20);

// ---------------------------------------------------------------------------
// Headers and the first-frame scan

TEST(Mp3FrameHeader, ReadsEachVersionLayerAndRateFromTheTables) {
    struct Case {
        uint32_t word;
        MpegVersion version;
        int layer, kbps, rate, mode;
    };
    const Case cases[] = {
        {0xFFFB9064, MpegVersion::Mpeg1, 3, 128, 44100, 1},   // MPEG 1 layer III, joint stereo
        {0xFFFBE4C0, MpegVersion::Mpeg1, 3, 320, 48000, 3},   // mono, highest rate
        {0xFFFD1800, MpegVersion::Mpeg1, 2, 32, 32000, 0},    // layer II, lowest rate
        {0xFFFFE000, MpegVersion::Mpeg1, 1, 448, 44100, 0},   // layer I, highest rate
        {0xFFF3E4C0, MpegVersion::Mpeg2, 3, 160, 24000, 3},   // MPEG 2 layer III
        {0xFFF51880, MpegVersion::Mpeg2, 2, 8, 16000, 2},     // MPEG 2 layer II, dual channel
        {0xFFF5D000, MpegVersion::Mpeg2, 2, 144, 22050, 0},   // MPEG 2 layer II
        {0xFFF2E000, MpegVersion::Mpeg2, 3, 160, 22050, 0},   // MPEG 2 layer III without CRC
        {0xFFFFD000, MpegVersion::Mpeg1, 1, 416, 44100, 0},
        {0xFFF5E000, MpegVersion::Mpeg2, 2, 160, 22050, 0},
        {0xFFE31800, MpegVersion::Mpeg25, 3, 8, 8000, 0},     // MPEG 2.5
        {0xFFE36440, MpegVersion::Mpeg25, 3, 48, 12000, 1},
        {0xFFE5B000, MpegVersion::Mpeg25, 2, 112, 11025, 0},
        {0xFFF7E400, MpegVersion::Mpeg2, 1, 256, 24000, 0},   // MPEG 2 layer I
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.word);
        const auto header = ParseMp3FrameHeader(c.word);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->version, c.version);
        EXPECT_EQ(header->layer, c.layer);
        EXPECT_EQ(header->bitrateKbps, c.kbps);
        EXPECT_EQ(header->sampleRate, c.rate);
        EXPECT_EQ(header->channelMode, c.mode);
        EXPECT_EQ(header->Channels(), c.mode == 3 ? 1 : 2);
    }
    // Frame sizes the encoders write: 417 bytes at 128 kbit/s and 44.1 kHz (no
    // padding), 72 bytes at 8 kbit/s and 8 kHz (MPEG 2.5 layer III).
    EXPECT_EQ(ParseMp3FrameHeader(0xFFFB9064)->FrameBytesAt(128), 417u);
    EXPECT_EQ(ParseMp3FrameHeader(0xFFE31800)->FrameBytesAt(8), 72u);
    EXPECT_EQ(ParseMp3FrameHeader(0xFFE31800)->SamplesPerFrame(), 576);
}

TEST(Mp3FrameHeader, RefusesEveryReservedOrUnplayableField) {
    const uint32_t good = 0xFFFB9064;
    ASSERT_TRUE(ParseMp3FrameHeader(good));
    EXPECT_FALSE(ParseMp3FrameHeader(good & ~0x00200000u)) << "last sync bit clear";
    EXPECT_FALSE(ParseMp3FrameHeader(good & ~0x80000000u)) << "first sync bit clear";
    EXPECT_FALSE(ParseMp3FrameHeader((good & ~0x00180000u) | 0x00080000u)) << "version 01";
    EXPECT_FALSE(ParseMp3FrameHeader(good & ~0x00060000u)) << "layer 00";
    EXPECT_FALSE(ParseMp3FrameHeader(good & ~0x0000F000u)) << "free format";
    EXPECT_FALSE(ParseMp3FrameHeader(good | 0x0000F000u)) << "bit-rate index 15";
    EXPECT_FALSE(ParseMp3FrameHeader(good | 0x00000C00u)) << "sample-rate index 3";
    EXPECT_FALSE(ParseMp3FrameHeader((good & ~3u) | 2u)) << "emphasis 10";
    EXPECT_TRUE(ParseMp3FrameHeader((good & ~3u) | 1u)) << "emphasis 01";
    EXPECT_TRUE(ParseMp3FrameHeader((good & ~3u) | 3u)) << "emphasis 11";
}

TEST(Mp3PlaybackFormat, HalvesTheHighRatesAndKeepsTheChannels) {
    const std::pair<int, int> rates[] = {{8000, 8000},   {11025, 11025}, {12000, 12000}, {16000, 16000},
                                         {22050, 22050}, {24000, 24000}, {32000, 16000}, {44100, 22050},
                                         {48000, 24000}, {96000, 22050}, {0, 22050}};
    for (auto [source, played] : rates) EXPECT_EQ(Mp3PlaybackRate(source), played) << source;
    const auto stereo = Mp3PlaybackFormat(*ParseMp3FrameHeader(0xFFFB9064));
    EXPECT_EQ(stereo.rate, 22050);
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(stereo.type, SampleType::U8);
    EXPECT_EQ(Mp3PlaybackFormat(*ParseMp3FrameHeader(0xFFFBE4C0)).channels, 1);
}

std::vector<uint8_t> Header(uint32_t word) {
    return {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word)};
}

std::vector<uint8_t> Id3v2Tag(uint32_t bodySize, uint8_t flags = 0) {
    std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, flags, uint8_t((bodySize >> 21) & 0x7F),
                                uint8_t((bodySize >> 14) & 0x7F), uint8_t((bodySize >> 7) & 0x7F),
                                uint8_t(bodySize & 0x7F)};
    // A body full of bytes that look like headers: none may be taken.
    for (uint32_t i = 0; i < bodySize; ++i) tag.push_back(i % 2 ? 0xFB : 0xFF);
    if (flags & 0x10) tag.insert(tag.end(), {'3', 'D', 'I', 3, 0, flags, 0, 0, 0, 0});
    return tag;
}

template <typename... Parts>
std::vector<uint8_t> Join(const Parts&... parts) {
    std::vector<uint8_t> all;
    (all.insert(all.end(), parts.begin(), parts.end()), ...);
    return all;
}

TEST(Mp3FrameScan, LooksAtTheFirst10240OffsetsAfterTheTags) {
    const auto frame = Header(0xFFFB9064);
    const auto at = [&](size_t junk) { return FindFirstMp3Frame(Join(std::vector<uint8_t>(junk, 0), frame)); };
    ASSERT_TRUE(at(0));
    EXPECT_EQ(at(0)->offset, 0u);
    ASSERT_TRUE(at(10239));
    EXPECT_EQ(at(10239)->offset, 10239u);
    EXPECT_FALSE(at(10240));
    EXPECT_FALSE(at(50000));
    // A false sync (reserved layer) before the real header is passed over.
    const auto found = FindFirstMp3Frame(Join(Header(0xFFF90000), std::vector<uint8_t>(7, 0x11), frame));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->offset, 11u);
    EXPECT_FALSE(FindFirstMp3Frame(std::vector<uint8_t>{0xFF, 0xFB, 0x90}));
    EXPECT_FALSE(FindFirstMp3Frame({}));
}

TEST(Mp3FrameScan, PassesOverId3v2TagsOfAnySize) {
    const auto frame = Header(0xFFFB9064);
    for (uint32_t body : {0u, 100u, 10240u, 300000u}) {
        const auto tag = Id3v2Tag(body);
        const auto data = Join(tag, std::vector<uint8_t>(5000, 0), frame);
        EXPECT_EQ(Id3v2TagsLength(data), tag.size()) << body;
        const auto found = FindFirstMp3Frame(data);
        ASSERT_TRUE(found) << body;
        EXPECT_EQ(found->offset, tag.size() + 5000) << body;
    }
    // The footer adds ten bytes; two tags in a row are both passed over.
    const auto footed = Id3v2Tag(20000, 0x10);
    EXPECT_EQ(Id3v2TagsLength(Join(footed, frame)), 20020u);
    const auto twice = Join(Id3v2Tag(12000), Id3v2Tag(30), frame);
    EXPECT_EQ(FindFirstMp3Frame(twice)->offset, 12010u + 40u);
    // A tag that claims more than there is ends at the data's end.
    auto cut = Id3v2Tag(100000);
    cut.resize(30000);
    EXPECT_EQ(Id3v2TagsLength(cut), cut.size());
    EXPECT_FALSE(FindFirstMp3Frame(cut));
    // Not synchsafe: not a tag, so the scan starts at 0 (and finds nothing in it).
    auto bad = Id3v2Tag(10);
    bad[7] = 0x80;
    EXPECT_EQ(Id3v2TagsLength(bad), 0u);
}

// ---------------------------------------------------------------------------
// Real encodings

struct Fixtures {
    test::TempDir dir;
    double seconds = 0;  // the speech's length

    static void Run(const std::string& command) {
        const test::CommandResult result = test::RunCommand("/bin/sh", {"-c", command});
        ASSERT_EQ(result.exitCode, 0) << command << "\n" << result.err;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::vector<uint8_t> Bytes(const std::string& name) const {
        return platform::ReadFileBytes(Path(name)).value_or(std::vector<uint8_t>{});
    }

    void Make() {
        const std::string d = test::ShellQuote(dir.str()) + "/";
        Run("espeak-ng -w " + d + "speech.wav \"The quick brown fox jumps over the lazy dog, "
            "and the screen saver plays its sound.\"");
        const test::CommandResult length = test::RunCommand("soxi", {"-D", Path("speech.wav")});
        ASSERT_EQ(length.exitCode, 0) << length.err;
        seconds = std::stod(length.out);
        const std::string lame = "lame --quiet --noreplaygain ";
        // Two channels that differ: the speech, and the speech at half volume.
        Run("sox " + d + "speech.wav " + d + "stereo.wav remix 1 1v0.5");
        Run(lame + "-b 128 --resample 44.1 -m s " + d + "stereo.wav " + d + "s44.mp3");
        Run(lame + "-b 64 --resample 44.1 -m m " + d + "speech.wav " + d + "m44.mp3");
        Run(lame + "-m s --resample 32 " + d + "stereo.wav " + d + "s32.mp3");
        Run(lame + "-m s --resample 48 " + d + "stereo.wav " + d + "s48.mp3");
        Run(lame + "-m m --resample 8 " + d + "speech.wav " + d + "m8.mp3");
        // Long enough for several chunks: the speech four times.
        Run("sox " + d + "stereo.wav " + d + "stereo.wav " + d + "stereo.wav " + d + "stereo.wav " + d + "long.wav");
        Run(lame + "-b 128 --resample 44.1 -m s " + d + "long.wav " + d + "long.mp3");
        // Cover art larger than the scan's reach.
        Run("convert -size 300x300 xc: +noise Random -quality 100 " + d + "cover.jpg");
        Run(lame + "-b 128 --resample 44.1 -m s --ti " + d + "cover.jpg " + d + "stereo.wav " + d + "cover.mp3");
    }
};

Fixtures& Encoded() {
    static Fixtures* fixtures = [] {
        auto* made = new Fixtures;
        made->Make();
        return made;
    }();
    return *fixtures;
}

// The process's output is `output` for the scope.
class ScopedSystemAudio {
public:
    explicit ScopedSystemAudio(platform::AudioOutput& output) { platform::SetSystemAudio(&output); }
    ~ScopedSystemAudio() { platform::SetSystemAudio(nullptr); }
};

class Mp3PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Encoded();
        ASSERT_GT(Encoded().seconds, 3.0);
    }
    // Plays `data` to its end and gives the one source it opened.
    std::shared_ptr<test::InstantAudioSource> PlayedSource(const std::vector<uint8_t>& data) {
        const size_t before = output_.Sources().size();
        CMP3Player player;
        player.Play(data.data(), static_cast<int64_t>(data.size()), true, false, clock_);
        EXPECT_TRUE(player.FinishedEvent().IsSet());
        player.Stop();
        const auto sources = output_.Sources();
        return sources.size() == before + 1 ? sources.back() : nullptr;
    }
    static double Seconds(const test::InstantAudioSource& source) {
        const auto& format = source.Format();
        return static_cast<double>(source.Bytes().size()) / format.BytesPerFrame() / format.rate;
    }

    test::InstantAudioOutput output_;
    ScopedSystemAudio audio_{output_};
    platform::RealClock clock_;
};

TEST_F(Mp3PlayerTest, PlaysEachRateAndChannelCountAsEightBitPcmOfTheRightLength) {
    struct Case {
        const char* file;
        int rate, channels;
        double slack = 0.06;  // seconds
    };
    // At 8 kHz (MPEG 2.5) the encoder's delay and padding stay in the sound:
    // under three frames.
    for (const Case& c : {Case{"s44.mp3", 22050, 2}, Case{"m44.mp3", 22050, 1}, Case{"s32.mp3", 16000, 2},
                          Case{"s48.mp3", 24000, 2}, Case{"m8.mp3", 8000, 1, 0.22}, Case{"cover.mp3", 22050, 2}}) {
        SCOPED_TRACE(c.file);
        const auto source = PlayedSource(Encoded().Bytes(c.file));
        ASSERT_TRUE(source);
        EXPECT_EQ(source->Format().rate, c.rate);
        EXPECT_EQ(source->Format().channels, c.channels);
        EXPECT_EQ(source->Format().type, SampleType::U8);
        EXPECT_NEAR(Seconds(*source), Encoded().seconds, c.slack);
        // Speech, not silence: the samples swing well away from the middle.
        const auto bytes = source->Bytes();
        const auto [low, high] = std::minmax_element(bytes.begin(), bytes.end());
        EXPECT_LT(*low, 64);
        EXPECT_GT(*high, 192);
        if (c.channels == 2) {
            // Left and right stay apart: the right swings half as far.
            double swing[2] = {0, 0};
            for (size_t i = 0; i < bytes.size(); ++i) swing[i % 2] += std::abs(int{bytes[i]} - 128);
            EXPECT_NEAR(swing[1] / swing[0], 0.5, 0.1);
        }
    }
}

TEST_F(Mp3PlayerTest, ConvertsOneChunkPerBufferAndAShortStreamInOneStep) {
    const auto shortStream = Encoded().Bytes("s44.mp3");
    ASSERT_LT(shortStream.size(), kMp3ChunkLength);
    const auto one = PlayedSource(shortStream);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->Blocks(), 1);

    const auto longStream = Encoded().Bytes("long.mp3");
    const auto chunks = static_cast<int>((longStream.size() + kMp3ChunkLength - 1) / kMp3ChunkLength);
    ASSERT_GE(chunks, 3);
    const auto several = PlayedSource(longStream);
    ASSERT_TRUE(several);
    EXPECT_EQ(several->Blocks(), chunks);
    EXPECT_NEAR(Seconds(*several), 4 * Encoded().seconds, 0.1);
    // Each buffer holds what its chunk decodes to, within the bound.
    const auto header = FindFirstMp3Frame(longStream)->header;
    EXPECT_LE(several->Bytes().size() / chunks,
              Mp3DecodedBound(header, Mp3PlaybackFormat(header), kMp3ChunkLength));
}

TEST_F(Mp3PlayerTest, ATagLargerThanTheScanIsPassedOverAndTheSoundPlays) {
    const auto tagged = Encoded().Bytes("cover.mp3");
    const size_t tag = Id3v2TagsLength(tagged);
    EXPECT_GT(tag, kMp3FrameScanOffsets);
    const auto first = FindFirstMp3Frame(tagged);
    ASSERT_TRUE(first);
    EXPECT_GE(first->offset, tag);
    // The same sound as without the tag.
    const auto plain = PlayedSource(Encoded().Bytes("s44.mp3"));
    const auto withTag = PlayedSource(tagged);
    ASSERT_TRUE(plain && withTag);
    EXPECT_EQ(withTag->Bytes(), plain->Bytes());
}

TEST_F(Mp3PlayerTest, AFirstHeaderBeyondOffset10239IsNotPlayed) {
    const auto sound = Encoded().Bytes("s44.mp3");
    const auto near = PlayedSource(Join(std::vector<uint8_t>(10000, 0), sound));
    ASSERT_TRUE(near);
    EXPECT_NEAR(Seconds(*near), Encoded().seconds, 0.06);

    CMP3Player player;
    const auto far = Join(std::vector<uint8_t>(10240, 0), sound);
    player.Play(far.data(), static_cast<int64_t>(far.size()), true, false, clock_);
    EXPECT_TRUE(player.StartedEvent().IsSet());
    EXPECT_TRUE(player.FinishedEvent().IsSet());
    player.Stop();
    EXPECT_EQ(output_.Sources().size(), 1u);
}

TEST_F(Mp3PlayerTest, WithoutLoopTheThreadStaysIdleUntilStop) {
    const auto sound = Encoded().Bytes("m8.mp3");
    CMP3Player player;
    player.Play(sound.data(), static_cast<int64_t>(sound.size()), false, false, clock_);
    ASSERT_TRUE(player.FinishedEvent().Wait(10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(player.HasThread());
    EXPECT_EQ(output_.Sources().size(), 1u);
    player.Stop();
    EXPECT_FALSE(player.HasThread());
    // Nothing: no thread is made, and a play before is stopped.
    player.Play(sound.data(), static_cast<int64_t>(sound.size()), false, true, clock_);
    player.Play(nullptr, 0, true, false, clock_);
    EXPECT_FALSE(player.HasThread());
}

TEST_F(Mp3PlayerTest, LoopRepeatsUntilStop) {
    const auto sound = Encoded().Bytes("m8.mp3");
    CMP3Player player;
    player.Play(sound.data(), static_cast<int64_t>(sound.size()), true, true, clock_);
    // The waiter is released after the first pass; the sound goes on.
    EXPECT_TRUE(player.FinishedEvent().IsSet());
    const auto deadline = std::chrono::steady_clock::now() + kHangGuard;
    while (output_.Sources().size() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    player.Stop();
    const auto sources = output_.Sources();
    ASSERT_GE(sources.size(), 3u);
    EXPECT_EQ(sources[0]->Bytes(), sources[1]->Bytes());
    EXPECT_FALSE(player.HasThread());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(output_.Sources().size(), sources.size());
}

TEST_F(Mp3PlayerTest, PlaysFilesAndReportsOnesThatCannotBeRead) {
    test::CapturedMessages messages;
    CMP3Player player;
    player.PlayFile(Encoded().Path("m44.mp3"), true, false, clock_);
    player.Stop();
    ASSERT_EQ(output_.Sources().size(), 1u);
    EXPECT_NEAR(Seconds(*output_.Sources()[0]), Encoded().seconds, 0.06);
    EXPECT_TRUE(messages.texts().empty());

    player.PlayFile(Encoded().Path("missing.mp3"), true, false, clock_);
    EXPECT_TRUE(player.StartedEvent().IsSet());
    player.Stop();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error during file access!"});
    EXPECT_EQ(output_.Sources().size(), 1u);
}

TEST_F(Mp3PlayerTest, DamagedDataEndsThePlayWithoutHarm) {
    const auto sound = Encoded().Bytes("s44.mp3");
    std::vector<std::vector<uint8_t>> damaged;
    damaged.emplace_back(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(sound.size() / 3));
    damaged.emplace_back(sound.begin(), sound.begin() + 4);
    auto flipped = sound;
    for (size_t i = 400; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    damaged.push_back(flipped);
    auto noise = Header(0xFFFB9064);
    uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) noise.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 16));
    damaged.push_back(noise);
    // Headers of every kind, one after another, with nothing between.
    std::vector<uint8_t> headers;
    for (uint32_t word : {0xFFFB9064u, 0xFFE31800u, 0xFFFFE000u, 0xFFF71880u, 0xFFFD1800u})
        for (int i = 0; i < 300; ++i) headers = Join(headers, Header(word));
    damaged.push_back(headers);

    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        for (bool loop : {false, true}) {
            CMP3Player player;
            auto waited = std::async(std::launch::async, [&] {
                player.Play(damaged[i].data(), static_cast<int64_t>(damaged[i].size()), !loop, loop, clock_);
            });
            ASSERT_EQ(waited.wait_for(kHangGuard), std::future_status::ready);
            EXPECT_TRUE(player.StartedEvent().Wait(10000));
            auto stopped = std::async(std::launch::async, [&] { player.Stop(); });
            ASSERT_EQ(stopped.wait_for(kHangGuard), std::future_status::ready);
            EXPECT_TRUE(player.FinishedEvent().IsSet());
        }
    }
}

// ---------------------------------------------------------------------------
// Waiting through a clock

// An output that plays its sources only as `Advance` says, firing each
// block's callback once its last frame is through.
class PacedAudioOutput final : public platform::AudioOutput {
public:
    class Source final : public platform::AudioSource {
    public:
        explicit Source(const platform::AudioFormat& format) : format_(format) {}
        const platform::AudioFormat& Format() const override { return format_; }
        bool Put(std::span<const uint8_t> bytes, std::function<void()> onPlayed) override {
            std::lock_guard lock(mutex_);
            if (stopped_) return false;
            blocks_.push_back({bytes.size() / static_cast<size_t>(format_.BytesPerFrame()), std::move(onPlayed)});
            return true;
        }
        void Finish() override { ended_.Set(); }
        void Stop() override {
            std::lock_guard lock(mutex_);
            stopped_ = true;
            blocks_.clear();
            ended_.Set();
        }
        const platform::Event& Ended() const override { return ended_; }
        uint32_t QueuedMilliseconds() const override {
            std::lock_guard lock(mutex_);
            uint64_t frames = 0;
            for (const auto& block : blocks_) frames += block.frames;
            return static_cast<uint32_t>((frames * 1000 + static_cast<uint64_t>(format_.rate) - 1) / format_.rate);
        }
        uint64_t PlayedFrames() const override {
            std::lock_guard lock(mutex_);
            return played_;
        }
        void Advance(uint64_t ms) {
            std::vector<std::function<void()>> done;
            {
                std::lock_guard lock(mutex_);
                uint64_t frames = ms * static_cast<uint64_t>(format_.rate) / 1000;
                while (frames > 0 && !blocks_.empty()) {
                    auto& block = blocks_.front();
                    const uint64_t taken = std::min<uint64_t>(frames, block.frames);
                    block.frames -= taken;
                    frames -= taken;
                    played_ += taken;
                    if (block.frames == 0) {
                        done.push_back(std::move(block.onPlayed));
                        blocks_.pop_front();
                    }
                }
            }
            for (auto& callback : done)
                if (callback) callback();
        }

    private:
        struct Block {
            uint64_t frames;
            std::function<void()> onPlayed;
        };
        const platform::AudioFormat format_;
        mutable std::mutex mutex_;
        std::deque<Block> blocks_;
        uint64_t played_ = 0;
        bool stopped_ = false;
        platform::Event ended_;
    };

    std::shared_ptr<platform::AudioSource> Open(const platform::AudioFormat& format) override {
        auto source = std::make_shared<Source>(format);
        std::lock_guard lock(mutex_);
        sources_.push_back(source);
        return source;
    }
    void SetMuted(bool) override {}
    bool Muted() const override { return false; }
    std::string DriverName() const override { return "paced"; }
    void Advance(uint64_t ms) {
        std::vector<std::shared_ptr<Source>> sources;
        {
            std::lock_guard lock(mutex_);
            sources = sources_;
        }
        for (auto& source : sources) source->Advance(ms);
    }
    std::vector<std::shared_ptr<Source>> Sources() const {
        std::lock_guard lock(mutex_);
        return sources_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Source>> sources_;
};

TEST(Mp3PlayerWait, AVirtualClockMovesByTheLengthOfTheSound) {
    ASSERT_GT(Encoded().seconds, 3.0);
    PacedAudioOutput output;
    ScopedSystemAudio audio(output);
    platform::VirtualClock clock;
    clock.SetAdvanceObserver([&](uint64_t from, uint64_t to) { output.Advance(to - from); });
    const auto sound = Encoded().Bytes("long.mp3");
    CMP3Player player;
    player.Play(sound.data(), static_cast<int64_t>(sound.size()), true, false, clock);
    EXPECT_TRUE(player.FinishedEvent().IsSet());
    const double expected = 4 * Encoded().seconds * 1000;
    EXPECT_NEAR(static_cast<double>(clock.Elapsed()), expected, 200.0);
    ASSERT_EQ(output.Sources().size(), 1u);
    EXPECT_NEAR(static_cast<double>(output.Sources()[0]->PlayedFrames()), expected * 22.05, 22.05 * 200);
    player.Stop();
}

TEST(Mp3PlayerWait, StopFromAnotherThreadReleasesTheWaiter) {
    ASSERT_GT(Encoded().seconds, 3.0);
    PacedAudioOutput output;  // never advanced: the sound never ends by itself
    ScopedSystemAudio audio(output);
    for (bool virtualClock : {false, true}) {
        SCOPED_TRACE(virtualClock);
        platform::RealClock realClock;
        platform::VirtualClock virtualTime;
        platform::Clock& clock = virtualClock ? static_cast<platform::Clock&>(virtualTime) : realClock;
        const auto sound = Encoded().Bytes("long.mp3");
        CMP3Player player;
        auto waiter = std::async(std::launch::async, [&] {
            player.Play(sound.data(), static_cast<int64_t>(sound.size()), true, false, clock);
        });
        ASSERT_TRUE(player.StartedEvent().Wait(10000));
        EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        player.Stop();
        ASSERT_EQ(waiter.wait_for(kHangGuard), std::future_status::ready);
        EXPECT_TRUE(player.FinishedEvent().IsSet());
        EXPECT_FALSE(player.HasThread());
        EXPECT_TRUE(output.Sources().back()->Ended().IsSet());
    }
}

}  // namespace
}  // namespace korv
