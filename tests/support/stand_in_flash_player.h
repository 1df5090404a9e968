#pragma once
// The process's Flash stage on a stand-in browser engine, with a player
// folder of placeholder files: the page "runs" once the test says so, and
// the test plays the page's part (loaded, frames, end) by its messages.

#include <cstdint>
#include <string>

#include "tests/support/fake_web_engine.h"

namespace korv::test {

class StandInFlashPlayer {
public:
    // The one of the process, ready: the stage runs on the stand-in engine.
    static StandInFlashPlayer& Ready();

    FakeWebEngine engine;
    // What the page was asked to run last.
    std::string LastScript() const;
    // The play the page was asked to start last (0: none yet).
    uint64_t CurrentPlay() const;
    // Waits until the page is asked to play a movie after `afterPlay`.
    bool WaitForPlayAfter(uint64_t afterPlay) const;
    // Sends the page's message `text` to the stage.
    void Send(const std::string& text) const;

private:
    StandInFlashPlayer();
};

}  // namespace korv::test
