#include "tests/support/real_saver_test.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "tests/support/command_runner.h"

namespace korv::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void RealSaverTest::SetUp() { ASSERT_TRUE(xvfb_.Running()); }

void RealSaverTest::TearDown() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::vector<std::string> RealSaverTest::Env() const {
    return {"DISPLAY=" + xvfb_.Display(),
            "XDG_DATA_HOME=" + user_.dataHome().string(),
            "XDG_CONFIG_HOME=" + user_.configHome().string(),
            "XDG_STATE_HOME=" + user_.stateHome().string(),
            "TMPDIR=" + user_.tempFolder().string(),
            "XDG_RUNTIME_DIR=" + user_.runtimeDir().string(),
            "KORV_LOG=1"};
}

void RealSaverTest::Build(int playerType, const std::string& script, const std::string& site) {
    fs::create_directories(user_.root() / "content");
    std::vector<std::string> arguments{"build", "--engine", KorvRuntimePath(), "--player-type", std::to_string(playerType),
                                       "--site", site, "--source", "index.html", "-o", saver_.string()};
    if (!script.empty()) {
        WriteFileBytes(user_.root() / "s.vel", script);
        auto zep = (user_.root() / "s.zep").string();
        auto compiled = RunCommand(KorvToolPath(), {"compile", (user_.root() / "s.vel").string(), "--content",
                                                    (user_.root() / "content").string(), "-o", zep});
        ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
        arguments.insert(arguments.begin() + 3, {"--scenario", zep});
    }
    auto built = RunCommand(KorvToolPath(), arguments);
    ASSERT_EQ(built.exitCode, 0) << built.err;
}

void RealSaverTest::Setting(const std::string& name, const std::string& value) {
    ASSERT_EQ(RunCommand(KorvToolPath(), {"settings", saver_.string(), name, value}, Env()).exitCode, 0);
}

void RealSaverTest::Start(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnv) {
    std::vector<char*> argv{const_cast<char*>(saver_.c_str())};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        for (const auto& assignment : Env()) putenv(strdup(assignment.c_str()));
        for (const auto& assignment : extraEnv) putenv(strdup(assignment.c_str()));
        execv(saver_.c_str(), argv.data());
        _exit(127);
    }
}

bool RealSaverTest::WindowShown(std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        auto found = RunCommand("xdotool", {"search", "--onlyvisible", "--pid", std::to_string(pid_)},
                                {"DISPLAY=" + xvfb_.Display()});
        if (found.exitCode == 0 && !found.out.empty()) return true;
        if (!Running()) return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void RealSaverTest::Launch() {
    Start();
    ASSERT_TRUE(WindowShown(5000ms)) << "the saver window did not appear";
    std::this_thread::sleep_for(300ms);  // let it take its first mouse position
}

bool RealSaverTest::Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

std::optional<std::chrono::milliseconds> RealSaverTest::EndTime(Clock::time_point since, int* status,
                                                                std::chrono::milliseconds wait) {
    while (Clock::now() < since + wait) {
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) == pid_) {
            pid_ = -1;
            if (status) *status = raw;
            auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since);
            RecordProperty("endMs", static_cast<int>(took.count()));
            return took;
        }
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

std::optional<std::chrono::milliseconds> RealSaverTest::EndByMouse() {
    Xdotool({"mousemove", "300", "300"});
    const auto moved = Clock::now();
    Xdotool({"mousemove", "301", "300"});
    return EndTime(moved);
}

void RealSaverTest::Xdotool(std::vector<std::string> arguments) {
    RunCommand("xdotool", arguments, {"DISPLAY=" + xvfb_.Display()});
}

std::string RealSaverTest::Log() const { return ReadFileBytes(user_.stateHome() / "Halcyra" / "korv_log.txt"); }

std::vector<fs::path> RealSaverTest::Pictures() const {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(user_.root().path(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name == "desktop.bmp" || name == "wallpaper.bmp") found.push_back(it->path());
    }
    return found;
}

}  // namespace korv::test
