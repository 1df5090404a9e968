// PLAY and STOP of every kind of medium in a playing scenario, on a virtual
// clock with the sound mixed by the clock: waited plays last as long as
// their medium, the scene's end and the saver's end stop everything and
// leave no temporary file, and a new medium of a kind replaces the old one.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/file.h"
#include "platform/painter.h"
#include "saver/log.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/scene_thread.h"
#include "tests/support/command_runner.h"
#include "tests/support/eventually.h"
#include "tests/support/headless_scene_window.h"
#include "tests/support/midi_file_writer.h"
#include "tests/support/stand_in_flash_player.h"
#include "tests/support/swf_writer.h"
#include "tests/support/test_environment.h"
#include "tests/support/tone_analysis.h"
#include "tests/support/video_fixtures.h"
#include "update/script_container.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

using test::HeadlessSceneWindow;

class MediaPlayingTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSystemAudio(audio_.get());
        SetFileLogName((user_.root() / "korvlog.txt").string());
        SetFileLogEnabled(true);
    }
    void TearDown() override {
        thread_.reset();
        SetFileLogEnabled(false);
        platform::SetSystemAudio(nullptr);
    }

    fs::path Content(const std::string& name) const { return user_.root() / "content" / name; }

    void Tone(const std::string& name, double seconds, int frequency) {
        fs::create_directories(Content("").parent_path());
        test::RunSox({"-q", "-n", "-r", "22050", "-c", "1", Content(name).string(), "synth",
                      std::to_string(seconds), "sine", std::to_string(frequency), "gain", "-6"});
    }
    void Mp3(const std::string& name, double seconds) {
        Tone("mp3source.wav", seconds, 660);
        auto result = test::RunCommand("lame", {"--quiet", "-b", "64", Content("mp3source.wav").string(),
                                                Content(name).string()});
        ASSERT_EQ(result.exitCode, 0) << "lame failed (is lame installed?): " << result.err;
    }
    // One A4 note of `seconds` at 120 beats a minute.
    void Midi(const std::string& name, double seconds) {
        fs::create_directories(Content("").parent_path());
        test::MidiFileWriter writer;
        writer.Program(0, 0, 73);
        writer.Note(0, static_cast<uint32_t>(seconds * 960), 0, 69);
        writer.Save(Content(name));
    }
    void Video(const std::string& name) {
        fs::create_directories(Content("").parent_path());
        test::MakeTestVideo(Content(name), "mjpeg", true);
    }

    // Compiles `script` with the files made above and starts playing it.
    void Play(const std::string& script) {
        fs::create_directories(user_.root() / "out");
        CompileRequest request{SplitStatements(script), Content("").parent_path().string(),
                               (user_.root() / "out").string(), "s", {}, {}};
        ASSERT_EQ(ScenarioCompiler(std::move(request)).Compile(), CompileResult::Ok);
        platform::File file;
        ASSERT_TRUE(file.Open((user_.root() / "out" / "s.zep").string(), platform::File::Mode::Read));
        platform::ArchiveReader archive(file);
        ASSERT_TRUE(scenario_.Load(archive)) << scenario_.LoadError();
        CSceneThread::Options options;
        options.window = &window_;
        options.speedCalibration = &speed_;
        options.scenario = &scenario_;
        options.clock = &clock_;
        thread_ = std::make_unique<CSceneThread>(std::move(options));
        ASSERT_TRUE(thread_->CreateThread(true));
        thread_->Resume();
    }
    // Plays `script` to its end; the virtual time it took.
    uint64_t PlayToEnd(const std::string& script) {
        Play(script);
        EXPECT_TRUE(thread_->IdleEvent().Wait(60000)) << "the scenario did not end";
        return clock_.Elapsed();
    }
    // The media files the players hold now.
    std::vector<std::string> MediaFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(user_.privateFolder(), error))
            if (entry.path().filename().string().rfind("Ssd", 0) == 0) names.push_back(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string text = test::ReadFileBytes(user_.root() / "korvlog.txt");
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }
    // The loudness of the mix between two virtual times (ms).
    double Loudness(uint64_t fromMs, uint64_t toMs) const {
        std::vector<int16_t> mix = audio_->Recording();
        size_t from = std::min(mix.size(), static_cast<size_t>(fromMs * 441 / 10) * 2);
        size_t to = std::min(mix.size(), static_cast<size_t>(toMs * 441 / 10) * 2);
        return test::Rms(test::ChannelOf(std::vector<int16_t>(mix.begin() + from, mix.begin() + to), 2, 0));
    }

    test::IsolatedUser user_;
    platform::VirtualClock clock_;
    std::unique_ptr<platform::ClockedAudioOutput> audio_ = platform::CreateClockedAudioOutput(clock_, true);
    HeadlessSceneWindow window_;
    std::atomic<uint32_t> speed_{1000};
    Scenario scenario_;
    std::unique_ptr<CSceneThread> thread_;
};

TEST_F(MediaPlayingTest, WaitedPlaysLastAsLongAsTheirMediumAndAreHeard) {
    Tone("tone.wav", 0.5, 440);
    Midi("song.mid", 0.75);
    Video("clip.avi");
    Mp3("speech.mp3", 1.0);
    uint64_t elapsed = PlayToEnd(
        "VERSION 450;MEDIA tone,tone.wav,0,;MEDIA song,song.mid,0,;MEDIA clip,clip.avi,0,;"
        "MEDIA speech,speech.mp3,0,;"
        "PLAY tone,,ON,,2;WAIT ,0.1;PLAY song,,ON,,1;PLAY clip,,ON,,1,0,0,,,,40,30;PLAY speech,,ON,,1;");
    // 2 × 0.5 s of tone, 0.1 s, 0.75 s of song, 2 s of video, about 1 s of MP3
    // (its encoder adds up to two frames of padding).
    EXPECT_GE(elapsed, 4850u);
    EXPECT_LE(elapsed, 4950u);
    EXPECT_GT(Loudness(100, 900), 1000) << "the tone";
    EXPECT_LT(Loudness(1010, 1090), 10) << "the pause";
    EXPECT_GT(Loudness(1200, 1700), 100) << "the song";
    EXPECT_GT(Loudness(2000, 3700), 100) << "the video's sound";
    EXPECT_GT(Loudness(4000, 4700), 1000) << "the MP3";
    EXPECT_TRUE(MediaFiles().empty());
}

TEST_F(MediaPlayingTest, MutedMediaTakeTheSameTimeInSilence) {
    Tone("tone.wav", 0.5, 440);
    Midi("song.mid", 0.5);
    audio_->SetMuted(true);
    uint64_t elapsed = PlayToEnd("VERSION 450;MEDIA tone,tone.wav,0,;MEDIA song,song.mid,0,;"
                                 "PLAY tone,,ON,,1;PLAY song,,ON,,1;");
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LE(elapsed, 1010u);
    EXPECT_GE(audio_->Recording().size(), 44100u * 2);
    EXPECT_EQ(Loudness(0, elapsed), 0);
}

TEST_F(MediaPlayingTest, ANewVideoReplacesTheOldOneAndTheEndClosesIt) {
    Video("first.avi");
    Video("second.avi");
    Play("VERSION 450;MEDIA first,first.avi,0,;MEDIA second,second.avi,0,;"
         "PLAY first,,,,1,0,0,,,,10,20;WAIT ,0.5;PLAY second,,,,1,0,0,,,,100,50;WAIT ,0.5;");
    ASSERT_TRUE(thread_->IdleEvent().Wait(30000));
    auto log = LogLines();
    auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    // The first is stopped, closed and its file deleted before the second starts.
    EXPECT_LT(at("CMedia: Stop previous avi"), static_cast<long>(log.size()));
    EXPECT_LT(at("CMedia: Stop previous avi"), at("CPlayerWnd: Close"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "Media play AVI"), 2);
    EXPECT_EQ(log.back(), "CSceneThread: finish no-wait avi");
    EXPECT_TRUE(MediaFiles().empty()) << "the end of the list deletes the video's file";
}

TEST_F(MediaPlayingTest, ANoWaitVideoShowsAtItsPointAndSizeWhileTheSceneGoesOn) {
    Video("clip.avi");
    Play("VERSION 450;MEDIA clip,clip.avi,0,;PLAY clip,ON,,,1,999,999,,,,40,30;WAIT ,30;");
    // The video's pictures appear at (40, 30) at 160 × 120, whatever size PLAY gave.
    platform::Surface screen;
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i) {
        clock_.Advance(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        screen = window_.Screen();
        shown = screen.At(40 + 80, 30 + 60) != 0;
    }
    ASSERT_TRUE(shown) << "no picture of the video appeared";
    EXPECT_EQ(screen.At(39, 30 + 60), 0u);
    EXPECT_EQ(screen.At(40 + 160, 30 + 60), 0u);
    EXPECT_EQ(screen.At(40 + 80, 29), 0u);
    EXPECT_EQ(screen.At(40 + 80, 30 + 120), 0u);
    EXPECT_EQ(MediaFiles().size(), 1u);
    thread_->Kill();
    EXPECT_TRUE(MediaFiles().empty());
    EXPECT_EQ(LogLines().back(), "CSceneThread: kill no-wait avi");
}

TEST_F(MediaPlayingTest, TheEndOfTheListStopsEverySoundAndLeavesNoFile) {
    Tone("tone.wav", 0.3, 440);
    Midi("song.mid", 0.4);
    Mp3("speech.mp3", 0.6);
    Video("clip.avi");
    Play("VERSION 450;MEDIA tone,tone.wav,0,;MEDIA song,song.mid,0,;MEDIA speech,speech.mp3,0,;"
         "MEDIA clip,clip.avi,0,;"
         "PLAY tone,ON,,,1;PLAY song,ON,,,1;PLAY speech,ON,,,1;PLAY clip,ON,,,1;WAIT ,2;");
    ASSERT_TRUE(thread_->IdleEvent().Wait(30000));
    EXPECT_GT(Loudness(100, 1900), 1000) << "everything plays, looping, during the wait";
    uint64_t end = clock_.Elapsed();
    clock_.Advance(500);
    EXPECT_EQ(Loudness(end + 20, end + 500), 0) << "nothing is heard after the end";
    EXPECT_TRUE(MediaFiles().empty());
}

TEST_F(MediaPlayingTest, StopEndsEachKindAndAFlashPlayWithoutAPlayerEndsAtOnce) {
    // No Flash player is installed.
    fs::create_directories(user_.root() / "no-player");
    ::setenv("KORV_RUFFLE_DIR", (user_.root() / "no-player").c_str(), 1);
    Tone("tone.wav", 0.3, 440);
    Midi("song.mid", 0.4);
    Mp3("speech.mp3", 0.6);
    fs::create_directories(Content("").parent_path());
    test::WriteFileBytes(Content("movie.swf"), std::string("FWS\x0a\x10\0\0\0\x78\0\x05\x5f\0\0\x0f\xa0\0", 17));
    uint64_t elapsed = PlayToEnd(
        "VERSION 450;MEDIA tone,tone.wav,0,;MEDIA song,song.mid,0,;MEDIA speech,speech.mp3,0,;"
        "MEDIA movie,movie.swf,0,;"
        "PLAY tone,ON,,,1;PLAY song,ON,,,1;PLAY speech,ON,,,1;WAIT ,1;STOP tone;STOP song;STOP speech;"
        "PLAY movie,,ON,,3;WAIT ,1;");
    ::unsetenv("KORV_RUFFLE_DIR");
    EXPECT_EQ(elapsed, 2000u) << "a Flash play without a player takes no time";
    EXPECT_GT(Loudness(100, 900), 1000);
    EXPECT_EQ(Loudness(1050, 2000), 0) << "STOP silenced every kind";
    auto log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Flash play starting\n"), 3);
    EXPECT_TRUE(MediaFiles().empty());
}

// The saver ends while a waited play runs: the scene thread lets go at once.
TEST_F(MediaPlayingTest, KillDuringAWaitedPlayOfEachKindEndsPromptly) {
    platform::SetSystemAudio(nullptr);  // the real output (or the silent one): real time
    Tone("tone.wav", 30, 440);
    Midi("song.mid", 30);
    Mp3("speech.mp3", 30);
    Video("clip.avi");
    for (const std::string name : {"tone", "song", "speech", "clip"}) {
        SCOPED_TRACE(name);
        scenario_.Clear();
        platform::RealClock realClock;
        fs::create_directories(user_.root() / "out");
        CompileRequest request{SplitStatements("VERSION 450;MEDIA tone,tone.wav,0,;MEDIA song,song.mid,0,;"
                                               "MEDIA speech,speech.mp3,0,;MEDIA clip,clip.avi,0,;PLAY " +
                                               name + ",,ON,INF,1;"),
                               Content("").parent_path().string(), (user_.root() / "out").string(), "s", {}, {}};
        ASSERT_EQ(ScenarioCompiler(std::move(request)).Compile(), CompileResult::Ok);
        platform::File file;
        ASSERT_TRUE(file.Open((user_.root() / "out" / "s.zep").string(), platform::File::Mode::Read));
        platform::ArchiveReader archive(file);
        ASSERT_TRUE(scenario_.Load(archive));
        CSceneThread::Options options;
        options.window = &window_;
        options.speedCalibration = &speed_;
        options.scenario = &scenario_;
        options.clock = &realClock;
        CSceneThread thread(std::move(options));
        ASSERT_TRUE(thread.CreateThread(true));
        thread.Resume();
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(thread.Kill(2000));
        auto took = std::chrono::steady_clock::now() - started;
        // Within 100 ms of the stop, with room for a loaded machine.
        EXPECT_LT(took, std::chrono::milliseconds(400));
        EXPECT_TRUE(MediaFiles().empty());
    }
}

}  // namespace
}  // namespace korv

namespace korv {
namespace {

// Flash movies in a playing scenario, on the stand-in Flash stage: the test
// plays the page's part.
class FlashPlayingTest : public MediaPlayingTest {
protected:
    void SetUp() override {
        MediaPlayingTest::SetUp();
        player_ = &test::StandInFlashPlayer::Ready();
        lastPlay_ = player_->CurrentPlay();
    }
    void Movie(const std::string& name, int frames) {
        fs::create_directories(Content(""));
        test::SwfTestMovie movie;
        movie.frames = frames;
        auto bytes = test::WriteSwfTestMovie(movie);
        test::WriteFileBytes(Content(name), std::string(bytes.begin(), bytes.end()));
    }
    // Waits for the next movie the page is asked to play; its number.
    uint64_t NextPlay() {
        EXPECT_TRUE(player_->WaitForPlayAfter(lastPlay_)) << "no movie started";
        lastPlay_ = player_->CurrentPlay();
        return lastPlay_;
    }
    void Frame(uint64_t play, int frame) { player_->Send("frame " + std::to_string(play) + " " + std::to_string(frame)); }

    test::StandInFlashPlayer* player_ = nullptr;
    uint64_t lastPlay_ = 0;
};

TEST_F(FlashPlayingTest, AWaitedMovieStartsAfterHalfASecondAndEndsTheWaitOnItsLastFrame) {
    Movie("clip.swf", 3);
    Play("VERSION 450;MEDIA clip,clip.swf,0,;PLAY clip,,ON,,1;WAIT ,1;");
    uint64_t play = NextPlay();
    // No movie played before: the play waited half a second for one to end
    // (the wait for the movie since then follows real time).
    EXPECT_GE(clock_.Elapsed(), 500u);
    EXPECT_LT(clock_.Elapsed(), 1500u);
    EXPECT_EQ(MediaFiles().size(), 1u);
    EXPECT_FALSE(thread_->IdleEvent().Wait(100)) << "the waited play ended early";
    Frame(play, 2);
    ASSERT_TRUE(thread_->IdleEvent().Wait(10000));
    // The WAIT after the movie ran its whole second after the movie's end.
    EXPECT_GE(clock_.Elapsed(), 1500u);
    EXPECT_TRUE(MediaFiles().empty()) << "the ended movie's file is deleted";
    auto log = LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Flash play starting\n"), 1);
}

TEST_F(FlashPlayingTest, ANewMovieStopsThePlayingOneAndAWaitedOneIsNotCutShort) {
    Movie("first.swf", 5);
    Movie("second.swf", 4);
    Play("VERSION 450;MEDIA first,first.swf,0,;MEDIA second,second.swf,0,;"
         "PLAY first,ON,,,1;WAIT ,1;PLAY second,,ON,,1;");
    // The first play's WAIT takes no real time: both plays start at once.
    const uint64_t second = lastPlay_ + 2;
    ASSERT_TRUE(player_->WaitForPlayAfter(second - 1)) << test::ReadFileBytes(user_.root() / "korvlog.txt");
    auto log = LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Flash event\n"), log.end());
    // The first player's end must not end the wait for the second.
    EXPECT_FALSE(thread_->IdleEvent().Wait(200));
    Frame(second, 3);
    ASSERT_TRUE(thread_->IdleEvent().Wait(10000));
}

TEST_F(FlashPlayingTest, StopAndTheSceneEndTakeMoviesDown) {
    Movie("loop.swf", 2);
    Movie("other.swf", 2);
    Play("VERSION 450;MEDIA loop,loop.swf,0,;MEDIA other,other.swf,0,;"
         "PLAY loop,ON,,,1;WAIT ,2;STOP loop;WAIT ,1;PLAY other,,,,1;WAIT ,1;");
    ASSERT_TRUE(player_->WaitForPlayAfter(lastPlay_ + 1)) << "both movies played";
    ASSERT_TRUE(thread_->IdleEvent().Wait(10000));
    // Neither movie is on the stage once the list has ended (the stop
    // reaches the player's page on the engine's thread, a moment later).
    EXPECT_TRUE(test::Eventually([&] { return player_->LastScript() == "korvStop();"; })) << player_->LastScript();
    EXPECT_FALSE(scenario_.Empty());
    auto log = LogLines();
    EXPECT_EQ(std::find(log.begin(), log.end(), "Flash event\n"), log.end()) << "STOP had ended the loop";
}

TEST_F(FlashPlayingTest, KillDuringAWaitedMovieEndsAtOnce) {
    Movie("long.swf", 50);
    Play("VERSION 450;MEDIA long,long.swf,0,;PLAY long,,ON,,1;");
    NextPlay();
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(thread_->Kill(2000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    // The player's thread takes the movie down on its own time.
    for (int i = 0; i < 500 && player_->LastScript() != "korvStop();"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(player_->LastScript(), "korvStop();");
}

}  // namespace
}  // namespace korv
