#include "platform/webkit/engine_thread.h"

#include <dlfcn.h>
#include <gtk/gtk.h>

#include <cstdlib>

namespace korv::platform::webkit {

namespace {

gboolean RunPostedTask(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void DeletePostedTask(gpointer data) { delete static_cast<std::function<void()>*>(data); }

}  // namespace

std::string CheckEngineNeeds() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display for the browser engine";
    // WebKit aborts the whole process when it cannot load an EGL driver.
    void* egl = dlopen("libEGL_mesa.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!egl) return "the browser engine needs EGL (libEGL_mesa.so.0 of the package libegl-mesa0)";
    dlclose(egl);
    return {};
}

std::string EngineThread::Start(Setup setup, std::chrono::milliseconds timeout) {
    // Drawing without GPU compositing saves tens of megabytes per page.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    thread_ = std::thread([this, setup = std::move(setup)]() mutable { Run(std::move(setup)); });
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return answered_; })) {
        answered_ = true;
        answer_ = "the browser engine did not start within " +
                  std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeout).count()) + " seconds";
        thread_.detach();
    }
    return answer_;
}

void EngineThread::Run(Setup setup) {
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = std::getenv("DISPLAY");
        Finish(std::string("the browser engine could not open the X display ") + (display ? display : ""));
        return;
    }
    std::string failure = setup();
    if (!failure.empty()) {
        Finish(failure);
        return;
    }
    // Answer once the loop runs, so that the first posted task finds it.
    Post([this] {
        std::lock_guard lock(mutex_);
        answered_ = true;
        changed_.notify_all();
    });
    gtk_main();
    std::unique_lock lock(mutex_);
    ended_ = true;
    changed_.notify_all();
    // The thread stays parked until the process ends: WebKit's clean-up at
    // thread exit can wait for its own threads without end, and GTK cannot
    // start a second time in one process anyway.
    changed_.wait(lock, [] { return false; });
}

void EngineThread::Finish(std::string answer) {
    std::lock_guard lock(mutex_);
    if (!answered_) answer_ = std::move(answer);
    answered_ = true;
    ended_ = true;
    changed_.notify_all();
}

void EngineThread::Post(std::function<void()> task) {
    g_idle_add_full(G_PRIORITY_DEFAULT, RunPostedTask, new std::function<void()>(std::move(task)), DeletePostedTask);
}

void EngineThread::Stop(std::chrono::milliseconds timeout) {
    if (!thread_.joinable()) return;
    Post([] { gtk_main_quit(); });
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [this] { return ended_; });
    }
    thread_.detach();
}

}  // namespace korv::platform::webkit
