#pragma once
// Test helpers: temporary folders, environment overrides, a user whose
// data, settings, logs and temporary files all live in one temporary folder,
// and the process-wide seams a test replaces for its scope (the system
// clock, the message boxes, the log).

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"

namespace korv::test {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_RUNTIME_DIR and
// TMPDIR into one temporary folder, so a test never touches the real user's
// files.
class IsolatedUser {
public:
    IsolatedUser();
    const TempDir& root() const { return root_; }
    std::filesystem::path dataHome() const { return root_ / "data"; }
    std::filesystem::path configHome() const { return root_ / "config"; }
    std::filesystem::path stateHome() const { return root_ / "state"; }
    std::filesystem::path tempFolder() const { return root_ / "tmp"; }
    std::filesystem::path runtimeDir() const { return root_ / "run"; }
    // Where the engine keeps this user's private temporary files.
    std::filesystem::path privateFolder() const { return runtimeDir() / "korv"; }

private:
    TempDir root_;
    ScopedEnv data_, config_, state_, tmp_, runtime_;
};

// Collects the message boxes shown during the scope instead of showing them.
class CapturedMessages {
public:
    CapturedMessages();
    ~CapturedMessages();
    const std::vector<platform::MessageBoxRequest>& all() const { return messages_; }
    std::vector<std::string> texts() const;

private:
    std::vector<platform::MessageBoxRequest> messages_;
};

// A virtual clock that is the system clock for its scope.
class VirtualSystemClock : public platform::VirtualClock {
public:
    explicit VirtualSystemClock(int64_t startSeconds);
    ~VirtualSystemClock() override;
};

// Collects the application log's lines during the scope (from any thread).
class CapturedLog {
public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;
    std::vector<std::string> lines() const;
    bool Contains(const std::string& line) const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace korv::test
