#pragma once
// The operating system's service that changes the screen-saver password.
// Where the system has no such service, loading it yields nothing and the
// caller reports that.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace korv::platform {

struct PasswordChangeLibrary {
    // The password-change entry, when the library has one: provider name,
    // owner window, two reserved values.
    std::function<uint32_t(const std::string& provider, uintptr_t window, uint32_t, uint32_t)> changePassword;
};

std::optional<PasswordChangeLibrary> LoadPasswordChangeLibrary();

// Where the system keeps the screen-saver password itself (on Linux it is
// the user's login password, which the desktop manages), the words that tell
// the user so; nothing where a saver changes it through the library above.
std::optional<std::string> SystemManagedPasswordNote();

// The service that verifies the screen-saver password before a saver closes.
struct PasswordVerifyLibrary {
    // Asks the user for the password (owner window); true when it was right.
    std::function<bool(uintptr_t window)> verifyPassword;
};

std::optional<PasswordVerifyLibrary> LoadPasswordVerifyLibrary();
void SetPasswordVerifyLoader(std::function<std::optional<PasswordVerifyLibrary>()> loader);

// Replaces the loader (tests); an empty function restores the system's.
void SetPasswordChangeLoader(std::function<std::optional<PasswordChangeLibrary>()> loader);

}  // namespace korv::platform
