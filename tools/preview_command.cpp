// korv-tool preview: plays a script (compiled anew on every change) or a
// saver in a window of the desktop until the window is closed.

#include <iostream>

#include "platform/display.h"
#include "platform/message_box.h"
#include "tools/commands.h"
#include "tools/scenario_preview.h"

namespace korv::tool {

int RunPreview(const std::vector<std::string>& arguments, std::ostream&) {
    std::unique_ptr<platform::Display> display = platform::OpenSystemDisplay();
    if (!display) throw ToolError("cannot open the display (is DISPLAY set?)");
    // What the scenario would show in a message box goes to the terminal.
    platform::SetMessageBoxSink([](const platform::MessageBoxRequest& box) { std::cerr << OneLine(box.text) << "\n"; });
    return RunPreviewCommand(arguments, *display, std::cerr);
}

}  // namespace korv::tool
