// korv-runtime: the engine of every built screen saver. It reads its own
// program file for the payload and the embedded scenario and obeys the
// screen-saver switches.

#include <string>
#include <vector>

#include "platform/process.h"
#include "shell/runtime_app.h"

int main(int argc, char** argv) {
    korv::RuntimeApp::Options options;
    options.arguments.assign(argv + 1, argv + argc);
    options.programPath = korv::platform::OwnProgramPath();
    korv::RuntimeApp app(std::move(options));
    int code = app.InitInstance() ? app.RunMessageLoop() : 0;
    app.ExitInstance();
    return code;
}
