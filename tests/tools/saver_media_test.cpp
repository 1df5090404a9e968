// A built saver plays sound and video on a real X server: the sound reaches
// the audio device (SDL's disk driver, which writes what it plays to a
// file), the video shows at its point, and the saver ends at once on the
// user's move, in the middle of a waited play, leaving no media file.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "tests/support/command_runner.h"
#include "tests/support/midi_file_writer.h"
#include "tests/support/real_saver_test.h"
#include "tests/support/tone_analysis.h"
#include "tests/support/video_fixtures.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kExitLimit = 1000ms;

class SaverMediaTest : public test::RealSaverTest {
protected:
    void StartWithDiskAudio() {
        Start({"/s"}, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audioFile_.string()});
        ASSERT_TRUE(WindowShown(5000ms)) << "the saver window did not appear";
        std::this_thread::sleep_for(300ms);
    }
    // The colour of the screen at x, y as 0xRRGGBB; -1 when it cannot be read.
    long PixelAt(int x, int y) {
        auto shot = test::RunCommand("import", {"-window", "root", "-depth", "8", "-crop",
                                                "1x1+" + std::to_string(x) + "+" + std::to_string(y), "rgb:-"},
                                     {"DISPLAY=" + xvfb_.Display()});
        if (shot.out.size() < 3) return -1;
        auto byte = [&](int i) { return static_cast<long>(static_cast<uint8_t>(shot.out[static_cast<size_t>(i)])); };
        return byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    std::vector<std::string> MediaFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::recursive_directory_iterator it(user_.root().path(), error), end; !error && it != end; it.increment(error))
            if (it->path().filename().string().rfind("Ssd", 0) == 0) names.push_back(it->path().string());
        return names;
    }

    fs::path audioFile_ = user_.root() / "device.raw";
};

TEST_F(SaverMediaTest, SoundReachesTheDeviceTheVideoShowsAtItsPointAndTheMoveEndsItAll) {
    fs::create_directories(user_.root() / "content");
    test::RunSox({"-q", "-n", "-r", "44100", "-c", "2", (user_.root() / "content" / "tone.wav").string(), "synth",
                  "0.5", "sine", "440", "gain", "-6"});
    test::MakeTestVideo(user_.root() / "content" / "clip.avi", "mjpeg", false);
    Build(2, "VERSION 450;MEDIA tone,tone.wav,0,;MEDIA clip,clip.avi,0,;CLS ,000.000.000;"
             "PLAY tone,ON,,,1;PLAY clip,ON,,,1,0,0,,,,100,80;WAIT ,600;");
    StartWithDiskAudio();

    // The video's top-left quarter: testsrc's picture is never black there.
    bool shown = false;
    for (auto until = Clock::now() + 5s; Clock::now() < until && !shown;) {
        shown = PixelAt(100 + 40, 80 + 30) > 0;
        if (!shown) std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(shown) << "the video did not appear at (100, 80)";
    EXPECT_EQ(PixelAt(99, 80 + 30), 0) << "left of the video";
    EXPECT_EQ(PixelAt(100 + 160, 80 + 30), 0) << "right of the video: it keeps its own width";
    EXPECT_EQ(MediaFiles().size(), 1u) << "the video's temporary copy";

    // SDL's disk driver writes what the device plays, at its pace.
    std::this_thread::sleep_for(1s);
    std::string played = test::ReadFileBytes(audioFile_);
    ASSERT_GT(played.size(), 44100u * 4 / 2) << "half a second of 16-bit stereo at least";
    auto left = test::ChannelOf(test::S16Samples(played), 2, 0);
    left.erase(left.begin(), left.end() - static_cast<std::ptrdiff_t>(std::min<size_t>(left.size(), 22050)));
    EXPECT_GT(test::ToneAmplitude(left, 440, 44100), 3000) << "the looping tone is heard";
    const std::string mediaLog = test::ReadFileBytes(user_.stateHome() / "Halcyra" / "korvlog.txt");
    EXPECT_NE(mediaLog.find("Audio output: disk\r\n"), std::string::npos) << mediaLog;

    auto ended = EndByMouse();
    ASSERT_TRUE(ended) << "the saver did not end";
    EXPECT_LT(*ended, kExitLimit);
    EXPECT_TRUE(MediaFiles().empty()) << "no media file is left behind";
}

TEST_F(SaverMediaTest, AMoveEndsTheSaverInTheMiddleOfAWaitedVideoOrSong) {
    fs::create_directories(user_.root() / "content");
    test::MakeTestVideo(user_.root() / "content" / "clip.avi", "mpeg4", true);
    test::MidiFileWriter song;
    song.Program(0, 0, 0);
    for (uint32_t beat = 0; beat < 120; ++beat) song.Note(beat * 480, 400, 0, 60 + static_cast<int>(beat % 12));
    song.Save(user_.root() / "content" / "song.mid");
    for (const std::string name : {"clip", "song"}) {
        SCOPED_TRACE(name);
        Build(2, "VERSION 450;MEDIA clip,clip.avi,0,;MEDIA song,song.mid,0,;PLAY " + name + ",,ON,INF,1;");
        StartWithDiskAudio();
        std::this_thread::sleep_for(700ms);
        auto ended = EndByMouse();
        ASSERT_TRUE(ended) << "the saver did not end";
        EXPECT_LT(*ended, kExitLimit);
        EXPECT_TRUE(MediaFiles().empty()) << "no media file is left behind";
    }
}

}  // namespace
}  // namespace korv
