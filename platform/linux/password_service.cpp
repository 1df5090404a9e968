#include "platform/password_service.h"

#include <mutex>

namespace korv::platform {

namespace {

std::mutex loaderMutex;
std::function<std::optional<PasswordChangeLibrary>()> loaderOverride;
std::function<std::optional<PasswordVerifyLibrary>()> verifyOverride;

}  // namespace

void SetPasswordChangeLoader(std::function<std::optional<PasswordChangeLibrary>()> loader) {
    std::lock_guard lock(loaderMutex);
    loaderOverride = std::move(loader);
}

std::optional<PasswordChangeLibrary> LoadPasswordChangeLibrary() {
    {
        std::lock_guard lock(loaderMutex);
        if (loaderOverride) return loaderOverride();
    }
    // Linux desktops lock the session themselves; there is no screen-saver
    // password for a saver to change.
    return std::nullopt;
}

std::optional<std::string> SystemManagedPasswordNote() {
    {
        std::lock_guard lock(loaderMutex);
        if (loaderOverride) return std::nullopt;
    }
    return "The screen saver asks for your login password. Change it in your desktop's user settings, or with "
           "the passwd command in a terminal.";
}

void SetPasswordVerifyLoader(std::function<std::optional<PasswordVerifyLibrary>()> loader) {
    std::lock_guard lock(loaderMutex);
    verifyOverride = std::move(loader);
}

std::optional<PasswordVerifyLibrary> LoadPasswordVerifyLibrary() {
    {
        std::lock_guard lock(loaderMutex);
        if (verifyOverride) return verifyOverride();
    }
    // The desktop's own locker guards the session; a saver has nothing to verify.
    return std::nullopt;
}

}  // namespace korv::platform
