#pragma once
// Tests of a built saver as a user meets it: its own process on a private X
// server, driven with real input (xdotool) and ended as a host would end it.

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_environment.h"
#include "tests/support/xvfb_server.h"

namespace korv::test {

class RealSaverTest : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    void SetUp() override;
    void TearDown() override;

    // The isolated user's folders, the X server and the log switched on.
    std::vector<std::string> Env() const;
    // Compiles `script` (its files from root/content) and builds the saver
    // with it embedded; an empty script builds a saver without one.
    void Build(int playerType, const std::string& script, const std::string& site = "http://localhost/");
    void Setting(const std::string& name, const std::string& value);

    // Starts the saver with `arguments` and `extraEnv` beside Env().
    void Start(const std::vector<std::string>& arguments = {"/s"}, const std::vector<std::string>& extraEnv = {});
    // Whether the saver's own window is on the screen within `limit`.
    bool WindowShown(std::chrono::milliseconds limit);
    // Starts the saver and waits until it shows its window and has taken its
    // first mouse position.
    void Launch();
    bool Running();
    // How long the saver took to end after `since`; nothing when it did not
    // end within `wait`.
    std::optional<std::chrono::milliseconds> EndTime(Clock::time_point since, int* status = nullptr,
                                                     std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
    // Moves the mouse by one pixel and measures the end from that move.
    std::optional<std::chrono::milliseconds> EndByMouse();
    void Xdotool(std::vector<std::string> arguments);
    // The saver's diagnostic log so far.
    std::string Log() const;
    // The temporary pictures of the saver, wherever its folders put them.
    std::vector<std::filesystem::path> Pictures() const;

    XvfbServer xvfb_;
    IsolatedUser user_;
    std::filesystem::path saver_ = user_.root() / "RealSaver";
    pid_t pid_ = -1;
};

}  // namespace korv::test
