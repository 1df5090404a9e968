#pragma once
// Message boxes. With a display they are real dialogs; without one the text
// goes to standard error. Tests install a sink to capture the texts instead.

#include <functional>
#include <string>

namespace korv::platform {

struct MessageBoxRequest {
    std::string text;
    std::string caption;
};

// Shows the message and returns when the user dismissed it.
void ShowMessageBox(const std::string& text, const std::string& caption = "");

// Replaces the dialog and stderr output; pass an empty function to restore it.
using MessageBoxSink = std::function<void(const MessageBoxRequest&)>;
void SetMessageBoxSink(MessageBoxSink sink);

// Sends the message boxes raised on the calling thread to `sink` while this
// object lives (it takes precedence over the process-wide sink): a worker
// thread that must never wait on a dialog routes its messages elsewhere.
// Routes nest; each restores the one before it.
class ThreadMessageRoute {
public:
    explicit ThreadMessageRoute(MessageBoxSink sink);
    ~ThreadMessageRoute();
    ThreadMessageRoute(const ThreadMessageRoute&) = delete;
    ThreadMessageRoute& operator=(const ThreadMessageRoute&) = delete;

private:
    MessageBoxSink previous_;
};

// The caption of message boxes shown without one (the program's name).
void SetDefaultMessageBoxCaption(const std::string& caption);

}  // namespace korv::platform
