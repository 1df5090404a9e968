#pragma once
// Message boxes. No thread ever waits on one: with a display, each box is a
// helper process of this program's own file that shows the dialog while the
// caller goes on; without one (or in programs that do not use helpers) the
// text goes to standard error. Tests install a sink to capture the texts.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korv::platform {

// The symbol beside a box's text: most boxes inform; a stop box says that
// something could not go on, a warning that something went wrong.
enum class MessageBoxIcon : uint8_t {
    Information = 0,
    Stop = 1,
    Warning = 2,
};

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MessageBoxIcon icon = MessageBoxIcon::Information;
};

// Shows the message and returns at once.
void ShowMessageBox(const std::string& text, const std::string& caption = "");
void ShowMessageBox(const std::string& text, MessageBoxIcon icon, const std::string& caption = "");

// Replaces the dialog and stderr output; pass an empty function to restore it.
using MessageBoxSink = std::function<void(const MessageBoxRequest&)>;
void SetMessageBoxSink(MessageBoxSink sink);

// Sends the message boxes raised on the calling thread to `sink` while this
// object lives (it takes precedence over the process-wide sink): a worker
// thread routes its messages elsewhere. Routes nest; each restores the one
// before it.
class ThreadMessageRoute {
public:
    explicit ThreadMessageRoute(MessageBoxSink sink);
    ~ThreadMessageRoute();
    ThreadMessageRoute(const ThreadMessageRoute&) = delete;
    ThreadMessageRoute& operator=(const ThreadMessageRoute&) = delete;

private:
    MessageBoxSink previous_;
};

// Collects the texts of the message boxes raised on the calling thread while
// it lives, for work that reports them in another way (a log, a status line).
class ThreadMessageCollector {
public:
    ThreadMessageCollector();
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
    ThreadMessageRoute route_;
};

// The caption of message boxes shown without one (the program's name).
void SetDefaultMessageBoxCaption(const std::string& caption);

// --- Dialogs in helper processes -------------------------------------------

// The first argument that makes the program a message-box helper. It cannot
// be taken for a screen-saver switch.
inline constexpr const char* kMessageBoxHelperSwitch = "--korv-message-box";

// Lets ShowMessageBox start helpers of this program's own file; only a
// program whose main() runs RunMessageBoxHelper for the switch may call it.
void UseMessageBoxHelpers();

// The helper's main: reads one request from standard input, shows it and
// returns the exit code. It ends early when the program that started it
// ends without releasing it (see ReleaseMessageBoxes).
int RunMessageBoxHelper();

// At most this many boxes are up at once; a text that is already up is not
// shown twice. Messages beyond that go to standard error.
inline constexpr size_t kMaxOpenMessageBoxes = 4;

// Takes down every box that is still up and waits (briefly) for its helper
// to end: the saver is ending and its messages go with it.
void CloseMessageBoxes();

// Leaves the boxes that are still up to the user: they stay after this
// program has ended. (A helper whose program ends without this, for example
// killed, ends as well.)
void ReleaseMessageBoxes();

}  // namespace korv::platform
