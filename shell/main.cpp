// korv-runtime: the engine of every built screen saver. It reads its own
// program file for the payload and the embedded scenario and obeys the
// screen-saver switches.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/memory_reuse.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/process_end.h"
#include "platform/web_engine.h"
#include "shell/runtime_app.h"

namespace {

// After a termination request the normal end has this long before the
// process ends at once.
constexpr uint32_t kTerminationGraceMs = 900;
// How long the browser engine's thread gets to end with the program.
constexpr uint32_t kWebEngineEndMs = 300;

}  // namespace

int main(int argc, char** argv) {
    // A helper that shows one message box for a running engine.
    if (argc > 1 && std::strcmp(argv[1], korv::platform::kMessageBoxHelperSwitch) == 0)
        return korv::platform::RunMessageBoxHelper();

    korv::platform::KeepFreedPictureMemory();
    korv::platform::WatchTerminationRequests(kTerminationGraceMs);
    korv::platform::UseMessageBoxHelpers();

    korv::RuntimeApp::Options options;
    options.arguments.assign(argv + 1, argv + argc);
    options.programPath = korv::platform::OwnProgramPath();
    korv::RuntimeApp app(std::move(options));
    if (const char* hostWindow = std::getenv(korv::kHostWindowVariable)) app.SetHostWindowVariable(hostWindow);
    int code = app.InitInstance() ? app.RunMessageLoop() : 0;
    app.ExitInstance();
    if (!app.UsageError().empty()) {
        // One line a person or a script can act on, and the usual code for it.
        std::fprintf(stderr, "usage: %s [/s | /p WINDOW | /c | /a]: %s\n", argv[0], app.UsageError().c_str());
        code = 2;
    }
    // A thread left running may still raise boxes: none is left behind.
    if (app.MustEndAtOnce()) korv::platform::EndProcessNow(code);
    // Boxes raised on the way out (a start that failed, the newer-format
    // notice) stay for the user.
    korv::platform::ReleaseMessageBoxes();
    // The browser engine's libraries must not run their destructors while
    // its thread may still be inside them: its thread gets a moment to end,
    // then the process ends without destructors.
    if (korv::platform::WebEngineWasStarted()) {
        korv::platform::SystemWebEngine().Shutdown(kWebEngineEndMs);
        korv::platform::EndProcessNow(code);
    }
    return code;
}
