#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/message_box_helpers.h"

namespace korv::platform {

namespace {

std::mutex sinkMutex;
MessageBoxSink sink;
std::string defaultCaption = "Screen Saver";
thread_local MessageBoxSink threadSink;

bool DisplayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink newSink) {
    std::lock_guard lock(sinkMutex);
    sink = std::move(newSink);
}

ThreadMessageRoute::ThreadMessageRoute(MessageBoxSink sink) : previous_(std::move(threadSink)) {
    threadSink = std::move(sink);
}

ThreadMessageRoute::~ThreadMessageRoute() { threadSink = std::move(previous_); }

ThreadMessageCollector::ThreadMessageCollector()
    : route_([this](const MessageBoxRequest& request) { texts_.push_back(request.text); }) {}

void SetDefaultMessageBoxCaption(const std::string& caption) {
    std::lock_guard lock(sinkMutex);
    defaultCaption = caption;
}

void ShowMessageBox(const std::string& text, const std::string& caption) {
    ShowMessageBox(text, MessageBoxIcon::Information, caption);
}

void ShowMessageBox(const std::string& text, MessageBoxIcon icon, const std::string& caption) {
    MessageBoxSink current = threadSink;
    std::string title;
    {
        std::lock_guard lock(sinkMutex);
        if (!current) current = sink;
        title = caption.empty() ? defaultCaption : caption;
    }
    const MessageBoxRequest request{text, title, icon};
    if (current) {
        current(request);
        return;
    }
    if (MessageBoxHelpersEnabled() && DisplayAvailable() && StartMessageBoxHelper(request)) return;
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace korv::platform
