#include "media/html/html_thread.h"

#include "media/temporary_media_file.h"
#include "saver/log.h"

namespace korv {

CHtmlThread::CHtmlThread(MediaHost* parent, std::string url, Rect bounds, bool input, std::string ownedFile)
    : url_(std::move(url)), bounds_(bounds), ownedFile_(std::move(ownedFile)), wnd_(parent, input) {}

CHtmlThread::~CHtmlThread() {
    if (IsCreated()) {
        Kill();
        // A thread never resumed starts now only to take its quit.
        Resume();
        Join();
    }
    if (!ownedFile_.empty()) DeleteTemporaryMediaFile(ownedFile_);
}

void CHtmlThread::Kill() {
    std::lock_guard lock(killMutex_);
    if (killed_) return;
    killed_ = true;
    if (wnd_.HasWindow()) {
        FileLog("Html Kill Thread\n");
        wnd_.Hide();
        PostMessage(kCloseMessage);
    }
    PostQuit();
}

bool CHtmlThread::InitInstance() {
    {
        std::lock_guard lock(killMutex_);
        if (killed_) return true;
    }
    if (wnd_.Create(bounds_, url_)) wnd_.Navigate();
    // Without a view the thread stays until it is killed.
    return true;
}

int CHtmlThread::ExitInstance() {
    CloseView();
    return platform::Thread::ExitInstance();
}

void CHtmlThread::OnMessage(const platform::ThreadMessage& message) {
    if (message.id == kCloseMessage) CloseView();
}

void CHtmlThread::CloseView() {
    wnd_.Close();
    if (!ownedFile_.empty()) DeleteTemporaryMediaFile(ownedFile_);
    ownedFile_.clear();
}

}  // namespace korv
