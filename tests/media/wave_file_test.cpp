// WAVE files made by sox in every encoding the reader takes decode to the
// same sound; damaged files are refused without reading past their end.

#include "media/sound/wave_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "media/sound/adpcm_decoders.h"
#include "media/sound/wave_writer.h"
#include "tests/support/test_environment.h"
#include "tests/support/tone_analysis.h"

namespace korv {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) { return {reinterpret_cast<const uint8_t*>(text.data()), text.size()}; }

// The samples as -1..1.
std::vector<double> Normalised(const WaveSound& sound) {
    std::vector<double> out;
    const auto& bytes = sound.samples;
    size_t size = static_cast<size_t>(sound.format.BytesPerSample());
    for (size_t at = 0; at + size <= bytes.size(); at += size) {
        switch (sound.format.type) {
        case platform::SampleType::U8: out.push_back((bytes[at] - 128) / 128.0); break;
        case platform::SampleType::S16: {
            int16_t v;
            std::memcpy(&v, &bytes[at], 2);
            out.push_back(v / 32768.0);
            break;
        }
        case platform::SampleType::S32: {
            int32_t v;
            std::memcpy(&v, &bytes[at], 4);
            out.push_back(v / 2147483648.0);
            break;
        }
        case platform::SampleType::F32: {
            float v;
            std::memcpy(&v, &bytes[at], 4);
            out.push_back(v);
            break;
        }
        }
    }
    return out;
}

double RmsDifference(const std::vector<double>& a, const std::vector<double>& b, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum / static_cast<double>(count));
}

class WaveFileTest : public ::testing::Test {
protected:
    WaveSound Read(const std::string& name) {
        WaveSound sound;
        std::string error;
        std::string bytes = test::ReadFileBytes(dir_ / name);
        EXPECT_TRUE(ReadWaveFile(Bytes(bytes), sound, error)) << name << ": " << error;
        return sound;
    }
    // Converts the reference file with sox (no dither) and reads the result.
    WaveSound Converted(const std::vector<std::string>& options, const std::string& name) {
        std::vector<std::string> arguments{(dir_ / "reference.wav").string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back((dir_ / name).string());
        test::RunSox(arguments);
        return Read(name);
    }
    test::TempDir dir_;
};

TEST_F(WaveFileTest, EveryEncodingGivesTheSameSound) {
    // Two channels with their own tones, so a swap or a skew would show.
    test::RunSox({"-n", "-r", "22050", "-c", "2", "-b", "16", "-e", "signed", (dir_ / "reference.wav").string(), "synth",
                  "0.3", "sine", "700", "sine", "1100", "vol", "0.6"});
    WaveSound reference = Read("reference.wav");
    ASSERT_EQ(reference.format.rate, 22050);
    ASSERT_EQ(reference.format.channels, 2);
    ASSERT_EQ(reference.format.type, platform::SampleType::S16);
    std::vector<double> expected = Normalised(reference);
    ASSERT_EQ(expected.size(), 22050u * 3 / 10 * 2);

    struct Case {
        std::vector<std::string> options;
        platform::SampleType type;
        double tolerance;  // root mean square difference, of full scale
        bool padded;       // ADPCM fills its last block
    };
    const std::pair<std::string, Case> cases[] = {
        {"u8.wav", {{"-D", "-b", "8", "-e", "unsigned"}, platform::SampleType::U8, 0.005, false}},
        {"s24.wav", {{"-b", "24", "-e", "signed"}, platform::SampleType::S32, 1e-4, false}},
        {"s32.wav", {{"-b", "32", "-e", "signed"}, platform::SampleType::S32, 1e-4, false}},
        {"f32.wav", {{"-b", "32", "-e", "floating-point"}, platform::SampleType::F32, 1e-4, false}},
        {"f64.wav", {{"-b", "64", "-e", "floating-point"}, platform::SampleType::F32, 1e-4, false}},
        {"ms.wav", {{"-e", "ms-adpcm"}, platform::SampleType::S16, 0.03, true}},
        {"ima.wav", {{"-e", "ima-adpcm"}, platform::SampleType::S16, 0.03, true}},
    };
    for (const auto& [name, c] : cases) {
        SCOPED_TRACE(name);
        WaveSound sound = Converted(c.options, name);
        EXPECT_EQ(sound.format.rate, 22050);
        EXPECT_EQ(sound.format.channels, 2);
        EXPECT_EQ(sound.format.type, c.type);
        std::vector<double> got = Normalised(sound);
        if (c.padded) {
            EXPECT_GE(got.size(), expected.size());
            EXPECT_LE(got.size(), expected.size() + 2 * 2048);
        } else {
            EXPECT_EQ(got.size(), expected.size());
        }
        if (got.size() < expected.size()) continue;
        EXPECT_LT(RmsDifference(got, expected, expected.size()), c.tolerance);
        if (c.padded) {
            // Our ADPCM decoding is sox's, sample for sample.
            test::RunSox({(dir_ / name).string(), "-e", "signed", "-b", "16", (dir_ / ("decoded-" + name)).string()});
            std::vector<double> theirs = Normalised(Read("decoded-" + name));
            ASSERT_GE(theirs.size(), got.size());  // sox also gives the padding of the last block
            EXPECT_LT(RmsDifference(got, theirs, got.size()), 1e-9);
        }
        // The channels keep their own tones.
        std::vector<double> l, r;
        for (size_t i = 0; i + 1 < expected.size(); i += 2) l.push_back(got[i]), r.push_back(got[i + 1]);
        EXPECT_GT(test::ToneAmplitude(l, 700, 22050), 0.5);
        EXPECT_LT(test::ToneAmplitude(l, 1100, 22050), 0.02);
        EXPECT_GT(test::ToneAmplitude(r, 1100, 22050), 0.5);
    }
}

TEST_F(WaveFileTest, ManyChannelsAndExtensibleHeaders) {
    // sox writes WAVE_FORMAT_EXTENSIBLE for more than two channels.
    test::RunSox({"-n", "-r", "48000", "-c", "6", "-b", "24", "-e", "signed", (dir_ / "six.wav").string(), "synth", "0.1",
                  "sine", "440"});
    std::string bytes = test::ReadFileBytes(dir_ / "six.wav");
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[20]) | (static_cast<uint8_t>(bytes[21]) << 8), 0xFFFE);
    WaveSound sound = Read("six.wav");
    EXPECT_EQ(sound.format.channels, 6);
    EXPECT_EQ(sound.format.rate, 48000);
    EXPECT_EQ(sound.format.type, platform::SampleType::S32);
    EXPECT_EQ(sound.samples.size(), 4800u * 6 * 4);
    test::RunSox({"-n", "-r", "8000", "-c", "8", "-e", "ima-adpcm", (dir_ / "eight.wav").string(), "synth", "0.1", "sine", "440"});
    EXPECT_EQ(Read("eight.wav").format.channels, 8);
}

TEST_F(WaveFileTest, OurWriterIsReadBack) {
    std::vector<int16_t> samples{0, 1, -1, 32767, -32768, 1234};
    auto bytes = WaveFileBytes(samples, 44100, 2);
    EXPECT_EQ(bytes.size(), 44u + 12);
    WaveSound sound;
    std::string error;
    ASSERT_TRUE(ReadWaveFile(bytes, sound, error)) << error;
    EXPECT_EQ(sound.format.rate, 44100);
    EXPECT_EQ(sound.format.channels, 2);
    ASSERT_EQ(sound.samples.size(), 12u);
    EXPECT_EQ(std::memcmp(sound.samples.data(), samples.data(), 12), 0);
    EXPECT_TRUE(WriteWaveFile((dir_ / "w.wav").string(), samples, 44100, 2));
    EXPECT_EQ(test::ReadFileBytes(dir_ / "w.wav"), std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(WriteWaveFile((dir_ / "missing" / "w.wav").string(), samples, 44100, 2));
}

TEST_F(WaveFileTest, DamagedFilesAreRefused) {
    std::vector<int16_t> samples(200, 1000);
    const auto good = WaveFileBytes(samples, 22050, 1);
    WaveSound sound;
    std::string error;
    auto reads = [&](std::vector<uint8_t> bytes) { return ReadWaveFile(bytes, sound, error); };

    // Every cut inside the headers fails; a cut inside the data keeps the whole frames that are there.
    for (size_t size = 0; size < 44; ++size) EXPECT_FALSE(reads({good.begin(), good.begin() + static_cast<ptrdiff_t>(size)})) << size;
    EXPECT_TRUE(reads({good.begin(), good.begin() + 44 + 101}));
    EXPECT_EQ(sound.samples.size(), 100u);

    auto patched = [&](size_t at, std::vector<uint8_t> value) {
        auto bytes = good;
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<ptrdiff_t>(at));
        return bytes;
    };
    EXPECT_FALSE(reads(patched(0, {'R', 'I', 'F', 'X'})));
    EXPECT_FALSE(reads(patched(8, {'W', 'A', 'V', 'X'})));
    EXPECT_FALSE(reads(patched(12, {'f', 'm', 'x', ' '})));  // no format chunk
    EXPECT_FALSE(reads(patched(36, {'d', 'a', 't', 'x'})));  // no data chunk
    EXPECT_FALSE(reads(patched(20, {0x55, 0x00})));          // an encoding not read here
    EXPECT_FALSE(reads(patched(22, {0x00, 0x00})));          // no channels
    EXPECT_FALSE(reads(patched(22, {0x09, 0x00})));          // nine
    EXPECT_FALSE(reads(patched(24, {0x10, 0x00, 0x00, 0x00})));  // 16 Hz
    EXPECT_FALSE(reads(patched(34, {12, 0})));                  // 12-bit samples
    EXPECT_FALSE(reads(patched(16, {0xFF, 0xFF, 0xFF, 0x7F})));  // a format chunk longer than the file
    EXPECT_FALSE(reads(patched(16, {8, 0, 0, 0})));              // and one too short
    EXPECT_FALSE(error.empty());

    // ADPCM: a predictor index past the coefficient table, and a block smaller than its header.
    test::RunSox({"-n", "-r", "8000", "-c", "1", "-e", "ms-adpcm", (dir_ / "ms.wav").string(), "synth", "0.1", "sine", "440"});
    std::string ms = test::ReadFileBytes(dir_ / "ms.wav");
    std::vector<uint8_t> msBytes(ms.begin(), ms.end());
    ASSERT_TRUE(reads(msBytes));
    size_t data = ms.find("data");
    ASSERT_NE(data, std::string::npos);
    auto badIndex = msBytes;
    badIndex[data + 8] = 7;
    EXPECT_FALSE(reads(badIndex));
    auto tinyBlocks = msBytes;
    tinyBlocks[32] = 3;  // block align
    tinyBlocks[33] = 0;
    EXPECT_FALSE(reads(tinyBlocks));
    auto fewCoefficients = msBytes;
    fewCoefficients[40] = 200;  // more coefficient pairs than the chunk holds
    EXPECT_FALSE(reads(fewCoefficients));
}

TEST(AdpcmBlockTest, RunawayStepsSaturateAndBadHeadersAreRefused) {
    // MS ADPCM: the largest delta and codes that keep growing it, for a long block.
    std::vector<uint8_t> ms{0, 0xFF, 0x7F, 0, 0, 0, 0};
    ms.resize(7 + 2000, 0x77);
    const MsAdpcmCoefficients coefficients[] = {{256, 0}, {512, -256}};
    std::vector<int16_t> out;
    ASSERT_TRUE(DecodeMsAdpcmBlock(ms, 1, coefficients, 10000, out));
    ASSERT_EQ(out.size(), 4002u);
    EXPECT_EQ(out.back(), 32767);
    ms[0] = 2;  // no such coefficient pair
    EXPECT_FALSE(DecodeMsAdpcmBlock(ms, 1, coefficients, 10000, out));
    EXPECT_FALSE(DecodeMsAdpcmBlock(std::span<const uint8_t>(ms).first(6), 1, coefficients, 10000, out));

    // IMA ADPCM: the frame limit cuts a block short; a step index past the table is refused.
    std::vector<uint8_t> ima{0x00, 0x10, 88, 0};
    ima.resize(4 + 64, 0x77);
    out.clear();
    ASSERT_TRUE(DecodeImaAdpcmBlock(ima, 1, 50, out));
    EXPECT_EQ(out.size(), 50u);
    EXPECT_EQ(out.back(), 32767);
    ima[2] = 89;
    EXPECT_FALSE(DecodeImaAdpcmBlock(ima, 1, 50, out));
}

}  // namespace
}  // namespace korv
