// The processor time a playing video takes: decoding and converting a
// 640 x 480, 25 pictures a second MJPEG AVI (with its sound), with and
// without composing each picture into a 1920 x 1080 window frame as the
// display does. One iteration is one second of video; the "core_percent"
// counter is the share of one core that playing it in real time takes.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/video_file.h"
#include "platform/window_composition.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFramesPerSecond = 25;

struct VideoFixture {
    fs::path folder = fs::temp_directory_path() / ("korv-video-bench-" + std::to_string(::getpid()));
    fs::path video = folder / "vga.avi";

    VideoFixture() {
        fs::create_directories(folder);
        std::string make = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=640x480:rate=25 -f lavfi -i "
                           "sine=frequency=1000 -t 4 -c:v mjpeg -q:v 3 -c:a pcm_s16le " +
                           video.string();
        if (std::system(make.c_str()) != 0) std::abort();
    }
    ~VideoFixture() { fs::remove_all(folder); }
};

VideoFixture& Fixture() {
    static VideoFixture fixture;
    return fixture;
}

// Plays one second of the video: its pictures, each handed to `show`, and
// the sound that goes with them. Starts another pass at the end.
template <class Show>
void PlayOneSecond(korv::platform::VideoFile& file, korv::platform::Surface& picture, std::vector<uint8_t>& sound,
                   Show&& show) {
    int64_t time = 0;
    for (int i = 0; i < kFramesPerSecond; ++i) {
        if (!file.NextFrame(picture, time)) {
            if (!file.Rewind() || !file.NextFrame(picture, time)) std::abort();
        }
        show(picture);
        // The sound of one picture: 1/25 s is 1 764 frames, about a block.
        file.NextAudio(sound);
    }
}

// Processor seconds per second of video, as a percentage, from the
// process's processor time over the timed loop.
void SetCorePercent(benchmark::State& state, std::clock_t start) {
    double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    state.counters["core_percent"] = 100.0 * seconds / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}

void BM_DecodeVga25(benchmark::State& state) {
    auto opened = korv::platform::OpenVideoFile(Fixture().video.string());
    if (!opened.file) std::abort();
    korv::platform::Surface picture;
    std::vector<uint8_t> sound;
    const std::clock_t start = std::clock();
    for (auto _ : state) PlayOneSecond(*opened.file, picture, sound, [](const korv::platform::Surface& p) {
        benchmark::DoNotOptimize(p.Pixels().data());
    });
    SetCorePercent(state, start);
}
BENCHMARK(BM_DecodeVga25)->Unit(benchmark::kMillisecond);

// Each picture drawn into the child's surface and the window's 1920 x 1080
// frame composed from the client surface and the child.
void BM_DecodeAndComposeVga25Into1080p(benchmark::State& state) {
    auto opened = korv::platform::OpenVideoFile(Fixture().video.string());
    if (!opened.file) std::abort();
    korv::platform::Surface client(1920, 1080);
    auto child = std::make_shared<korv::platform::ChildState>();
    child->bounds = {640, 300, 1280, 780};
    child->surface = korv::platform::Surface(640, 480);
    std::vector<std::shared_ptr<korv::platform::ChildState>> children{child};
    korv::platform::Surface frame;
    korv::platform::Surface picture;
    std::vector<uint8_t> sound;
    const std::clock_t start = std::clock();
    for (auto _ : state) PlayOneSecond(*opened.file, picture, sound, [&](const korv::platform::Surface& p) {
        korv::platform::Blit(child->surface, p, 0, 0);
        child->surface.MarkChanged();
        korv::platform::ComposeFrame(client, children, frame);
        benchmark::DoNotOptimize(frame.Pixels().data());
    });
    SetCorePercent(state, start);
}
BENCHMARK(BM_DecodeAndComposeVga25Into1080p)->Unit(benchmark::kMillisecond);

}  // namespace
