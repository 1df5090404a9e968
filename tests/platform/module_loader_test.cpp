// The video, MIDI and HTTP modules are loaded when first used; a module that
// is missing or broken fails the call the way the call fails on its own,
// naming the reason. Each case runs in a child process: a process keeps the
// first answer of each module for its whole life.

#include "platform/module_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/http_client.h"
#include "platform/midi_synth.h"
#include "platform/video_file.h"
#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

class ModuleLoaderTest : public ::testing::Test {
protected:
    ModuleLoaderTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    test::TempDir dir_;
};

// Exits 0 when the call failed as expected, else with a code saying what went wrong.
int OpenVideoWithout(const std::string& module, const std::string& wanted) {
    setenv("KORV_VIDEO_MODULE", module.c_str(), 1);
    VideoOpenResult result = OpenVideoFile("/nonexistent.avi");
    if (result.file || result.error != VideoOpenError::UnsupportedCodec) return 1;
    return result.errorText.find(wanted) != std::string::npos ? 0 : 2;
}

TEST_F(ModuleLoaderTest, AMissingOrBrokenVideoModuleFailsTheOpenWithTheReason) {
    const std::string missing = (dir_ / "korv-video.so").string();
    EXPECT_EXIT(std::exit(OpenVideoWithout(missing, missing + " was not found")), ::testing::ExitedWithCode(0), "");
    const std::string broken = (dir_ / "broken.so").string();
    test::WriteFileBytes(broken, "not a shared library");
    EXPECT_EXIT(std::exit(OpenVideoWithout(broken, "the video module could not be loaded")),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(ModuleLoaderTest, WithoutItsModuleMidiHasNoSynthAndHttpFailsTheTransport) {
    const std::string missing = (dir_ / "none.so").string();
    auto midi = [&] {
        setenv("KORV_MIDI_MODULE", missing.c_str(), 1);
        ReleaseIdleMidiSynths();  // loads nothing
        if (!MidiSoundfontPath().empty()) return 1;
        return OpenMidiSong("/nonexistent.mid").result == MidiOpenResult::NoSynth ? 0 : 2;
    };
    EXPECT_EXIT(std::exit(midi()), ::testing::ExitedWithCode(0), "");
    auto http = [&] {
        setenv("KORV_HTTP_MODULE", missing.c_str(), 1);
        HttpRequest request;
        request.url = "http://127.0.0.1:9/";
        HttpResponse response = PerformHttpRequest(request);
        if (response.error != HttpError::Transport || response.status != 0) return 1;
        return response.message.find("the HTTP module") != std::string::npos ? 0 : 2;
    };
    EXPECT_EXIT(std::exit(http()), ::testing::ExitedWithCode(0), "");
}

TEST_F(ModuleLoaderTest, TheBuiltModulesLoadFromTheBuildTree) {
    // The real modules: a video that is not there is not found (not a
    // missing module), and the MIDI module finds a soundfont when one is installed.
    VideoOpenResult video = OpenVideoFile((dir_ / "none.avi").string());
    EXPECT_EQ(video.error, VideoOpenError::FileNotFound) << video.errorText;
    EXPECT_EQ(OpenMidiSong((dir_ / "none.mid").string()).result, MidiOpenResult::FileNotFound);
}

}  // namespace
}  // namespace korv::platform
