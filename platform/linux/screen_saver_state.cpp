#include "platform/screen_saver_state.h"

#include <atomic>

namespace korv::platform {

namespace {

std::atomic<bool> running{false};

}  // namespace

void SetScreenSaverRunning(bool value) { running = value; }
bool ScreenSaverRunning() { return running; }

}  // namespace korv::platform
