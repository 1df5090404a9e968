// korv-tool render: frames of a scenario at chosen virtual times, exactly
// repeatable, from a scenario file or a built saver.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "media/image/decoders.h"
#include "media/sound/wave_file.h"
#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "tests/support/tone_analysis.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

class RenderTest : public ::testing::Test {
protected:
    std::string Compile(const std::string& script) {
        fs::create_directories(dir_ / "content");
        test::WriteFileBytes(dir_ / "script.vel", script);
        auto result = test::RunCommand(test::KorvToolPath(), {"compile", (dir_ / "script.vel").string(), "--content",
                                                              (dir_ / "content").string(), "-o", (dir_ / "s.zep").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return (dir_ / "s.zep").string();
    }
    test::CommandResult Render(const std::string& file, const std::string& at) {
        return test::RunCommand(test::KorvToolPath(),
                                {"render", file, "--size", "64x48", "--at", at, "--out", (dir_ / "frames").string()},
                                {"-DISPLAY", "TMPDIR=" + dir_.str()});
    }
    // The colour of the frame's pixel at (x, y) as 0xRRGGBB.
    uint32_t PixelOf(const std::string& label, int x, int y) {
        std::string bytes = test::ReadFileBytes(dir_ / "frames" / ("frame-" + label + ".png"));
        auto pixels = DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        if (!pixels) return 0xFFFFFFFF;
        EXPECT_EQ(pixels->Width(), 64);
        return pixels->At(x, y) & kPictureColourBits;
    }
    test::TempDir dir_;
};

TEST_F(RenderTest, FramesShowTheScreenAtEachVirtualTime) {
    std::string scenario = Compile("VERSION 500;CLS ,255.000.000;WAIT ,1;REPEAT;CLS ,000.000.255;WAIT ,2;"
                                   "CLS ,000.255.000;WAIT ,2;UNTIL INF,0;");
    auto result = Render(scenario, "0,0.5,1.5,3.999,4,100");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PixelOf("0", 0, 0), 0xFF0000u);
    EXPECT_EQ(PixelOf("0.5", 10, 10), 0xFF0000u);
    EXPECT_EQ(PixelOf("1.5", 63, 47), 0x0000FFu);
    EXPECT_EQ(PixelOf("3.999", 5, 5), 0x00FF00u);
    EXPECT_EQ(PixelOf("4", 5, 5), 0x00FF00u);
    EXPECT_EQ(PixelOf("100", 5, 5), 0x00FF00u);  // 100 s = 1 + 24 × 4 + 3: the green half of a round

    // The same request gives the same bytes.
    std::string first = test::ReadFileBytes(dir_ / "frames" / "frame-1.5.png");
    ASSERT_EQ(Render(scenario, "1.5").exitCode, 0);
    EXPECT_EQ(test::ReadFileBytes(dir_ / "frames" / "frame-1.5.png"), first);
}

TEST_F(RenderTest, ALoopThatNeverWaitsStillLetsTimePass) {
    std::string scenario = Compile("VERSION 500;CLS ,255.000.000;REPEAT;CLS ,000.000.255;CLS ,000.255.000;UNTIL INF,0;");
    auto result = Render(scenario, "5");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PixelOf("5", 5, 5), 0x00FF00u);
}

TEST_F(RenderTest, AFinishedScenarioKeepsItsLastScreenAndBadRequestsAreRefused) {
    std::string scenario = Compile("CLS ,010.020.030;");
    ASSERT_EQ(Render(scenario, "0,60").exitCode, 0);
    EXPECT_EQ(PixelOf("60", 1, 1), 0x0A141Eu);

    EXPECT_NE(Render(scenario, "x").exitCode, 0);
    EXPECT_NE(Render(scenario, "-1").exitCode, 0);
    EXPECT_NE(test::RunCommand(test::KorvToolPath(), {"render", scenario, "--size", "0x5", "--at", "1", "--out",
                                                      (dir_ / "f").string()})
                  .exitCode,
              0);
    test::WriteFileBytes(dir_ / "junk.zep", "not a scenario at all, not even close to one");
    auto junk = Render((dir_ / "junk.zep").string(), "1");
    EXPECT_NE(junk.exitCode, 0);
    EXPECT_EQ(std::count(junk.err.begin(), junk.err.end(), '\n'), 1) << junk.err;
}

TEST_F(RenderTest, AnEffectSheetHasARowPerEffectOfFramesOnTheirWay) {
    const std::string sheet = (dir_ / "sheet.png").string();
    auto result = test::RunCommand(test::KorvToolPath(), {"render", "--effects", "21,4,66", "--size", "40x30", "--frames",
                                                          "3", "--out", sheet});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string bytes = test::ReadFileBytes(sheet);
    auto pixels = DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(pixels);
    // A label column of 44, then three frames of 40 with a gap of 4 after
    // each; three rows of 30 with gaps of 4.
    EXPECT_EQ(pixels->Width(), 44 + 3 * 44 + 4);
    EXPECT_EQ(pixels->Height(), 3 * 34 + 4);
    // In every row the frames differ: the effect is on its way.
    for (int row = 0; row < 3; ++row) {
        const int y = 4 + row * 34;
        auto frame = [&](int column) {
            std::vector<uint32_t> p;
            for (int dy = 0; dy < 30; ++dy)
                for (int dx = 0; dx < 40; ++dx) p.push_back(pixels->At(44 + column * 44 + dx, y + dy) & kPictureColourBits);
            return p;
        };
        EXPECT_NE(frame(0), frame(1)) << "row " << row;
        EXPECT_NE(frame(1), frame(2)) << "row " << row;
    }
    for (std::vector<std::string> bad : {std::vector<std::string>{"--effects", "3"}, {"--effects", "88"},
                                         {"--effects", "x"}, {"--effects", "4", "--frames", "0"},
                                         {"--effects", "4", "--at", "1"}}) {
        bad.insert(bad.begin(), "render");
        bad.push_back("--out");
        bad.push_back(sheet);
        EXPECT_EQ(test::RunCommand(test::KorvToolPath(), bad).exitCode, 2) << bad[2];
    }
}

TEST_F(RenderTest, PicturesAndTextsAreShownAndHidden) {
    fs::create_directories(dir_ / "content");
    ASSERT_EQ(test::RunCommand("convert", {"-size", "20x10", "xc:#ff8000", (dir_ / "content" / "p.png").string()}).exitCode, 0);
    std::string scenario = Compile("VERSION 400;IMAGE p,p.png,0,NRM;TEXT t,W,Arial,BLD,-20,,255.255.000,,000.000.000,0;"
                                   "CLS ,000.000.128;SHOW p,,,30,5,0,100,ON;SHOW t,RGT,BTM,0,0,0,100;WAIT ,1;"
                                   "HIDE p;WAIT ,1;");
    ASSERT_EQ(Render(scenario, "0.5,1.5").exitCode, 0);
    EXPECT_EQ(PixelOf("0.5", 30, 5), 0xFF8000u);
    EXPECT_EQ(PixelOf("0.5", 49, 14), 0xFF8000u);
    EXPECT_EQ(PixelOf("0.5", 50, 14), 0x000080u);
    EXPECT_EQ(PixelOf("1.5", 30, 5), 0x000080u);  // the screen saved under it is back
    // The transparent text leaves the background around its letter: its box
    // holds only the letter's colour and what was there before.
    bool yellow = false;
    for (int y = 24; y < 48; ++y)
        for (int x = 40; x < 64; ++x) {
            uint32_t pixel = PixelOf("0.5", x, y);
            yellow = yellow || pixel == 0xFFFF00u;
            EXPECT_TRUE(pixel == 0xFFFF00u || pixel == 0x000080u) << x << "," << y;
        }
    EXPECT_TRUE(yellow);
}

TEST_F(RenderTest, ATypedUtf8TextEndsAsTheSameFrameAsTheTextShownAtOnce) {
    const std::string declare =
        "VERSION 400;TEXT t,Gr\xC3\xBC\xC3\x9F" "e K\xC3\xB6ln,Arial,BLD,-14,,255.255.000,,000.000.000,0;CLS ,000.000.128;";
    ASSERT_EQ(Render(Compile(declare + "SHOW t,LFT,TOP,2,2,0,100;WAIT ,9;"), "5").exitCode, 0);
    const std::string atOnce = test::ReadFileBytes(dir_ / "frames" / "frame-5.png");
    ASSERT_EQ(Render(Compile(declare + "SHOW t,LFT,TOP,2,2,0,100,,LBL,1900;WAIT ,9;"), "0.15,5").exitCode, 0);
    EXPECT_NE(test::ReadFileBytes(dir_ / "frames" / "frame-0.15.png"), atOnce);  // still typing
    EXPECT_EQ(test::ReadFileBytes(dir_ / "frames" / "frame-5.png"), atOnce);
}

TEST_F(RenderTest, MovesStepAtTheirSpeedAndRedrawTheirPath) {
    fs::create_directories(dir_ / "content");
    ASSERT_EQ(test::RunCommand("convert", {"-size", "8x8", "xc:#ff8000", (dir_ / "content" / "p.png").string()}).exitCode, 0);
    // Speed 5: half a second per step of 10 pixels.
    std::string scenario = Compile("VERSION 500;IMAGE p,p.png,0,NRM;CLS ,000.000.128;"
                                   "MOVE p,,,,,0,10,40,10,X,10,5,,;WAIT ,10;");
    ASSERT_EQ(Render(scenario, "0.25,0.75,1.25,5").exitCode, 0);
    EXPECT_EQ(PixelOf("0.25", 0, 10), 0xFF8000u);
    EXPECT_EQ(PixelOf("0.75", 10, 10), 0xFF8000u);
    EXPECT_EQ(PixelOf("0.75", 9, 10), 0x000080u);  // the old place is cleared
    EXPECT_EQ(PixelOf("1.25", 20, 12), 0xFF8000u);
    EXPECT_EQ(PixelOf("5", 40, 10), 0xFF8000u);   // it stops at the end point
    EXPECT_EQ(PixelOf("5", 39, 10), 0x000080u);
}

TEST_F(RenderTest, AudioIsWrittenForTheWholeRenderedSpan) {
    // The scenario carries a WAV; nothing plays it, so the span is silent.
    fs::create_directories(dir_ / "content");
    test::RunSox({"-n", "-r", "22050", "-c", "1", (dir_ / "content" / "beep.wav").string(), "synth", "0.2", "sine", "880"});
    auto size = fs::file_size(dir_ / "content" / "beep.wav");
    std::string scenario = Compile("VERSION 500;MEDIA beep,beep.wav," + std::to_string(size) +
                                   ",;CLS ,255.000.000;WAIT ,1;CLS ,000.000.255;WAIT ,5;");
    std::string audio = (dir_ / "out.wav").string();
    auto result = test::RunCommand(test::KorvToolPath(), {"render", scenario, "--size", "64x48", "--at", "0.5,2.25", "--out",
                                                          (dir_ / "frames").string(), "--audio", audio},
                                   {"-DISPLAY", "TMPDIR=" + dir_.str()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(PixelOf("2.25", 1, 1), 0x0000FFu);  // the frames are as without --audio

    std::string bytes = test::ReadFileBytes(audio);
    WaveSound sound;
    std::string error;
    ASSERT_TRUE(ReadWaveFile({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, sound, error)) << error;
    EXPECT_EQ(sound.format.rate, 44100);
    EXPECT_EQ(sound.format.channels, 2);
    EXPECT_EQ(sound.format.type, platform::SampleType::S16);
    EXPECT_EQ(sound.samples.size(), 2250u * 441 / 10 * 4);
    EXPECT_EQ(bytes.size(), 44 + sound.samples.size());
    EXPECT_TRUE(std::all_of(sound.samples.begin(), sound.samples.end(), [](uint8_t b) { return b == 0; }));

    // A file that cannot be written fails the render with one line.
    auto failed = test::RunCommand(test::KorvToolPath(), {"render", scenario, "--size", "64x48", "--at", "1", "--out",
                                                          (dir_ / "frames").string(), "--audio", (dir_ / "no" / "a.wav").string()},
                                   {"-DISPLAY", "TMPDIR=" + dir_.str()});
    EXPECT_NE(failed.exitCode, 0);
    EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
}

}  // namespace
}  // namespace korv
