// The whole saver on a private Xvfb screen of 1920 x 1080: the CPU it takes
// while it plays (transition effects, a MOVE, a WAIT) and the time from its
// start to its first picture on the screen. Each scenario is compiled into a
// saver by korv-tool, started with /s and measured from outside, as a user's
// desktop would run it.
//
//   korv_saver_bench --benchmark_counters_tabular=true
//   korv_saver_bench --benchmark_filter=Effect/66 --benchmark_repetitions=5
//
// Counters: `cpu%` is the saver's user and system time over the measured
// wall time (one core is 100); `ms` is start to first frame. The start
// reference is ImageMagick's `display -window root` showing the same JPEG.

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/min_max.h"
#include "tests/support/xvfb_server.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

int Run(const std::vector<std::string>& command) {
    std::string line;
    for (const auto& part : command) line += "'" + part + "' ";
    return std::system((line + ">/dev/null 2>&1").c_str());
}

// One Xvfb for the whole program, with a black root, and a place for the
// savers, their content and their settings.
class Stage {
public:
    static Stage& Get() {
        static Stage stage;
        return stage;
    }

    bool Ready() const { return x_ != nullptr; }
    const std::string& DisplayName() const { return server_.Display(); }
    ::Display* X() { return x_; }
    const fs::path& Dir() const { return dir_; }

    // The root window's pixel at the screen's centre.
    unsigned long CentrePixel() {
        XImage* image = XGetImage(x_, DefaultRootWindow(x_), kWidth / 2, kHeight / 2, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    void BlackRoot() {
        XSetWindowBackground(x_, DefaultRootWindow(x_), BlackPixel(x_, DefaultScreen(x_)));
        XClearWindow(x_, DefaultRootWindow(x_));
        XSync(x_, False);
    }

    // A saver playing `script` (picture names refer to the content folder).
    fs::path Saver(const std::string& name, const std::string& script) {
        const fs::path saver = dir_ / name;
        if (fs::exists(saver)) return saver;
        const fs::path source = dir_ / (name + ".vel");
        std::ofstream(source) << script;
        const fs::path compiled = dir_ / (name + ".zep");
        if (Run({KORV_TOOL, "compile", source, "--content", dir_ / "content", "-o", compiled}) != 0 ||
            Run({KORV_TOOL, "build", "--engine", KORV_ENGINE, "--scenario", compiled, "--player-type", "2", "--site",
                 "http://localhost/bench/", "--source", "index.html", "-o", saver}) != 0) {
            return {};
        }
        return saver;
    }

    pid_t Start(const std::vector<std::string>& command) {
        std::vector<std::string> environment{"DISPLAY=" + DisplayName(), "HOME=" + (dir_ / "home").string(),
                                             "XDG_RUNTIME_DIR=" + (dir_ / "run").string(), "PATH=/usr/bin:/bin"};
        std::vector<char*> argv, envp;
        for (auto& a : const_cast<std::vector<std::string>&>(command)) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
        return pid;
    }

    static void Stop(pid_t pid) {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

private:
    Stage() : server_(kWidth, kHeight), dir_(fs::temp_directory_path() / ("korv-saver-bench-" + std::to_string(getpid()))) {
        if (!server_.Running()) return;
        fs::create_directories(dir_ / "content");
        fs::create_directories(dir_ / "home");
        fs::create_directories(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all);
        // About 1 MB: a full-screen picture of noise over a gradient.
        Run({"convert", "-size", "1920x1080", "gradient:orange-navy", "(", "-size", "1920x1080", "xc:", "+noise",
             "Random", "-channel", "RGB", "-evaluate", "multiply", "0.25", ")", "-compose", "plus", "-composite",
             "-quality", "85", (dir_ / "content" / "wide.jpg").string()});
        Run({"convert", "-size", "400x300", "plasma:fractal", "-quality", "90",
             (dir_ / "content" / "small.jpg").string()});
        x_ = XOpenDisplay(server_.Display().c_str());
        if (x_) BlackRoot();
    }
    ~Stage() {
        if (x_) XCloseDisplay(x_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    korv::test::XvfbServer server_;
    fs::path dir_;
    ::Display* x_ = nullptr;
};

uintmax_t PictureBytes(const char* name) {
    std::error_code ignored;
    return fs::file_size(Stage::Get().Dir() / "content" / name, ignored);
}

std::string ImageLine(const char* object, const char* file) {
    return "IMAGE " + std::string(object) + "," + file + "," + std::to_string(PictureBytes(file)) + ",NRM,;\n";
}

// User plus system time of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Plays the saver for `warmUp` and then measures its CPU over `span`.
void MeasureCpu(benchmark::State& state, const std::string& name, const std::string& script,
                std::chrono::milliseconds span = std::chrono::seconds(10)) {
    Stage& stage = Stage::Get();
    if (!stage.Ready()) return state.SkipWithError("Xvfb did not start");
    const fs::path saver = stage.Saver(name, script);
    if (saver.empty()) return state.SkipWithError("the saver could not be built");
    double share = 0;
    for (auto _ : state) {
        const pid_t pid = stage.Start({saver.string(), "/s"});
        if (pid <= 0) return state.SkipWithError("the saver did not start");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double cpuBefore = CpuSeconds(pid);
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(span);
        const double cpu = CpuSeconds(pid) - cpuBefore;
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        Stage::Stop(pid);
        state.SetIterationTime(wall);
        share = 100.0 * cpu / wall;
    }
    state.counters["cpu%"] = share;
}

void BM_SaverCpuEffect(benchmark::State& state) {
    const int effect = static_cast<int>(state.range(0));
    const std::string number = std::to_string(effect);
    MeasureCpu(state, "effect" + number,
               "VERSION 400;\n" + ImageLine("wide", "wide.jpg") + ImageLine("small", "small.jpg") +
                   "REPEAT;\nSHOW wide,CTR,CTR,0,0," + number + ",300;\nSHOW small,CTR,CTR,0,0," + number +
                   ",300;\nUNTIL INF,0;\n");
}

void BM_SaverCpuMove(benchmark::State& state) {
    MeasureCpu(state, "move",
               "VERSION 400;\n" + ImageLine("small", "small.jpg") +
                   "CLS ,000.000.000;\nREPEAT;\nMOVE small,0,390,1520,390,0,390,1520,390,X,1,995,OFF,;\n"
                   "MOVE small,1520,390,0,390,1520,390,0,390,X,1,995,OFF,;\nUNTIL INF,0;\n");
}

void BM_SaverCpuIdle(benchmark::State& state) {
    MeasureCpu(state, "idle",
               "VERSION 400;\n" + ImageLine("wide", "wide.jpg") + "SHOW wide,CTR,CTR,0,0,0,100;\nWAIT ,1000;\n");
}

// Time from the start of `command` until the screen's centre stops being black.
void MeasureFirstFrame(benchmark::State& state, const std::vector<std::string>& command) {
    Stage& stage = Stage::Get();
    // The first start on a machine measures its speed for a second before
    // it plays (and stores the figure): not what this row is about.
    {
        const pid_t pid = stage.Start(command);
        for (auto end = Clock::now() + std::chrono::seconds(10); pid > 0 && Clock::now() < end && stage.CentrePixel() == 0;)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Stage::Stop(pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (auto _ : state) {
        stage.BlackRoot();
        const auto start = Clock::now();
        const pid_t pid = stage.Start(command);
        if (pid <= 0) return state.SkipWithError("the program did not start");
        bool shown = false;
        while (Clock::now() - start < std::chrono::seconds(10)) {
            if (stage.CentrePixel() != 0) {
                shown = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        Stage::Stop(pid);
        if (!shown) return state.SkipWithError("nothing appeared within 10 s");
        state.SetIterationTime(seconds);
        state.counters["ms"] = seconds * 1000;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

void BM_SaverStartToFirstFrame(benchmark::State& state) {
    Stage& stage = Stage::Get();
    if (!stage.Ready()) return state.SkipWithError("Xvfb did not start");
    const fs::path saver =
        stage.Saver("start", "VERSION 400;\n" + ImageLine("wide", "wide.jpg") + "SHOW wide,CTR,CTR,0,0,0,100;\nWAIT ,60;\n");
    if (saver.empty()) return state.SkipWithError("the saver could not be built");
    MeasureFirstFrame(state, {saver.string(), "/s"});
}

void BM_ImageViewerReference(benchmark::State& state) {
    Stage& stage = Stage::Get();
    if (!stage.Ready()) return state.SkipWithError("Xvfb did not start");
    MeasureFirstFrame(state, {"/usr/bin/display", "-window", "root", (stage.Dir() / "content" / "wide.jpg").string()});
}

// Each run is one repetition; ask for more with --benchmark_repetitions.
void Runs(benchmark::internal::Benchmark* b, int repetitions) {
    b->UseManualTime()->Iterations(1)->Repetitions(repetitions);
    korv::bench::MinMax(b);
}

void Effects(benchmark::internal::Benchmark* b) {
    for (int effect = 4; effect <= 87; ++effect) b->Arg(effect);
    Runs(b, 1);
}

BENCHMARK(BM_SaverCpuEffect)->Apply(Effects)->Unit(benchmark::kSecond);
BENCHMARK(BM_SaverCpuMove)->Apply([](auto* b) { Runs(b, 3); })->Unit(benchmark::kSecond);
BENCHMARK(BM_SaverCpuIdle)->Apply([](auto* b) { Runs(b, 1); })->Unit(benchmark::kSecond);
BENCHMARK(BM_SaverStartToFirstFrame)->Apply([](auto* b) { Runs(b, 11); })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageViewerReference)->Apply([](auto* b) { Runs(b, 11); })->Unit(benchmark::kMillisecond);

}  // namespace
