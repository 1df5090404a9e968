#include "tests/support/test_environment.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/file.h"
#include "saver/log.h"

namespace korv::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("korv-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    if (value)
        setenv(name_.c_str(), value->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
    if (previous_)
        setenv(name_.c_str(), previous_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

IsolatedUser::IsolatedUser()
    : data_("XDG_DATA_HOME", (root_ / "data").string()),
      config_("XDG_CONFIG_HOME", (root_ / "config").string()),
      state_("XDG_STATE_HOME", (root_ / "state").string()),
      tmp_("TMPDIR", (root_ / "tmp").string()),
      runtime_("XDG_RUNTIME_DIR", (root_ / "run").string()) {
    fs::create_directories(tempFolder());
    fs::create_directories(runtimeDir());
    fs::permissions(runtimeDir(), fs::perms::owner_all, fs::perm_options::replace);
}

CapturedMessages::CapturedMessages() {
    platform::SetMessageBoxSink([this](const platform::MessageBoxRequest& request) { messages_.push_back(request); });
}

CapturedMessages::~CapturedMessages() { platform::SetMessageBoxSink({}); }

VirtualSystemClock::VirtualSystemClock(int64_t startSeconds) : platform::VirtualClock(startSeconds) {
    platform::SetSystemClock(this);
}

VirtualSystemClock::~VirtualSystemClock() { platform::SetSystemClock(nullptr); }

CapturedLog::CapturedLog() {
    SetAppLogSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

CapturedLog::~CapturedLog() { SetAppLogSink({}); }

std::vector<std::string> CapturedLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool CapturedLog::Contains(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void CapturedLog::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::vector<std::string> CapturedMessages::texts() const {
    std::vector<std::string> result;
    for (const auto& message : messages_) result.push_back(message.text);
    return result;
}

std::string ReadFileBytes(const fs::path& path) {
    return platform::ReadFileText(path.string()).value_or("");
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace korv::test
