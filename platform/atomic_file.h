#pragma once
// Small files that several threads and processes share: replacement by
// rename (a reader sees the old or the new contents, never a mix), and an
// exclusive lock for read-modify-write sequences. Whole-file reads are
// platform/file.h's ReadFileText.

#include <string>

namespace korv::platform {

// Writes `bytes` to a temporary file beside `path`, makes it durable and
// renames it over `path`. Creates the folder when missing.
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
