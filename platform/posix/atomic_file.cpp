#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/folders.h"

namespace korv::platform {

namespace {

enum class Durability { Ordinary, Durable };

// Fills the new temporary file `temp`, open as `fd`, through `write`, gives
// it `permissions` and renames it over `path`. Removes it when any step
// fails.
bool FillAndReplace(int fd, const std::string& temp, const std::string& path,
                    const std::function<bool(std::FILE*)>& write, unsigned permissions, Durability durability) {
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    bool written = write(file);
    if (written && durability == Durability::Durable && (std::fflush(file) != 0 || ::fsync(fd) != 0)) written = false;
    if (written && ::fchmod(fd, static_cast<mode_t>(permissions)) != 0) written = false;
    if (std::fclose(file) != 0) written = false;
    if (written && ::rename(temp.c_str(), path.c_str()) != 0) written = false;
    if (!written) ::unlink(temp.c_str());
    return written;
}

}  // namespace

bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& write, unsigned permissions) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string pattern = JoinPath(folder, ".korv-write-XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) return false;
    return FillAndReplace(fd, buffer.data(), path, write, permissions, Durability::Ordinary);
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target(path);
    fs::create_directories(target.parent_path(), error);

    static std::atomic<unsigned> counter{0};
    std::string temp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kPrivateFile);
    if (fd < 0) return false;
    auto put = [&](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); };
    if (!FillAndReplace(fd, temp, path, put, kPrivateFile, Durability::Durable)) return false;
    // Make the rename itself durable.
    int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

FileLock::FileLock(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

}  // namespace korv::platform
