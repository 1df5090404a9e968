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

// Replaces the loader (tests); an empty function restores the system's.
void SetPasswordChangeLoader(std::function<std::optional<PasswordChangeLibrary>()> loader);

}  // namespace korv::platform
