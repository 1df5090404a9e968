#pragma once
// Files replaced whole: the new contents go to a temporary file beside the
// target, which then takes the target's place by rename, so a reader sees the
// old or the new contents, never a mix. Also an exclusive lock for
// read-modify-write sequences. Whole-file reads are platform/file.h's.

#include <cstdio>
#include <functional>
#include <string>

namespace korv::platform {

// Permissions of a replaced file.
inline constexpr unsigned kPrivateFile = 0600;
inline constexpr unsigned kExecutableFile = 0755;

// Writes a file through `write` so that it appears whole or not at all: the
// bytes go to a new file ".korv-write-…" beside `path` (made exclusively, so
// no link is followed), which gets `permissions` and then replaces `path` (a
// link at `path` is replaced, not followed). False, and nothing left behind,
// when any step fails.
bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& write,
                        unsigned permissions = kPrivateFile);

// Writes `bytes` in place of `path` the same way, through a private
// temporary file "<path>.tmp.<process id>.<n>" (a name the clean-up of
// interrupted writes knows), and makes the file and its rename durable.
// Creates the folder when missing.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Holds an exclusive advisory lock on `path` (created when missing) for its
// lifetime; excludes other holders in this and other processes.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace korv::platform
