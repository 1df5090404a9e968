#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <utility>

#include "platform/exception.h"

namespace korv::platform {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw FileException(what + " failed for " + path + ": " + std::strerror(errno));
}

// Reads the regular file `path` whole into `Bytes` (a container of bytes);
// nothing on any failure.
template <typename Bytes>
std::optional<Bytes> ReadRegularFile(const std::string& path, size_t limit) {
    // Opening without blocking: a FIFO is refused by its type below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::optional<Bytes> result;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= limit) {
        try {
            // Read straight into the result, sized as the file says with a
            // byte to spare, so that the end is seen without growing it; a
            // file that grows meanwhile is followed a piece at a time, up to
            // the limit.
            Bytes bytes;
            bytes.resize(static_cast<size_t>(info.st_size) + 1);
            size_t have = 0;
            bool ok = true;
            for (;;) {
                if (have == bytes.size()) {
                    if (have > limit) {
                        ok = false;
                        break;
                    }
                    bytes.resize(have + std::min<size_t>(64 * 1024, limit - have) + 1);
                }
                ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
                if (got < 0) {
                    if (errno == EINTR) continue;
                    ok = false;
                    break;
                }
                if (got == 0) break;
                have += static_cast<size_t>(got);
            }
            if (have > limit) ok = false;
            bytes.resize(have);
            if (ok) result = std::move(bytes);
        } catch (const std::exception&) {  // out of memory
        }
    }
    ::close(fd);
    return result;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t limit) {
    return ReadRegularFile<std::vector<uint8_t>>(path, limit);
}

std::optional<std::string> ReadFileText(const std::string& path, size_t limit) {
    return ReadRegularFile<std::string>(path, limit);
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

bool File::Open(const std::string& path, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read: flags |= O_RDONLY; break;
        case Mode::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case Mode::ReadWrite: flags |= O_RDWR | O_CREAT; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void File::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

size_t File::Read(void* buffer, size_t count) {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = ::read(fd_, out + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail("read", path_);
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void File::Write(const void* data, size_t count) {
    size_t done = 0;
    const auto* in = static_cast<const char*>(data);
    while (done < count) {
        ssize_t put = ::write(fd_, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            Fail("write", path_);
        }
        done += static_cast<size_t>(put);
    }
}

uint64_t File::Seek(int64_t offset, Origin origin) {
    int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (at < 0) Fail("seek", path_);
    return static_cast<uint64_t>(at);
}

uint64_t File::Position() const {
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0) Fail("seek", path_);
    return static_cast<uint64_t>(at);
}

uint64_t File::Length() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail("stat", path_);
    return static_cast<uint64_t>(info.st_size);
}

void File::Sync() {
    if (::fsync(fd_) != 0) Fail("sync", path_);
}

}  // namespace korv::platform
