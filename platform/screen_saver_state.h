#pragma once
// The system-wide mark that a screen saver is running (the original
// platform's SPI_SETSCREENSAVERRUNNING). Linux desktops keep no such mark for
// an application, so it is only remembered here.

namespace korv::platform {

void SetScreenSaverRunning(bool running);
bool ScreenSaverRunning();

}  // namespace korv::platform
