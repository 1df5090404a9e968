#pragma once
// A file handle in the style of the application framework: opening reports
// failure by its result; reading, writing and seeking an open file throw
// FileException when the operating system fails. Also reading a whole file
// at once, quietly.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace korv::platform {

class File {
public:
    enum class Mode {
        Read,        // existing file, reading only
        Write,       // create or truncate, writing only
        ReadWrite,   // create when missing, keep the contents
    };
    enum class Origin { Begin, Current, End };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Open(const std::string& path, Mode mode);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Reads up to `count` bytes; fewer only at the end of the file.
    size_t Read(void* buffer, size_t count);
    void Write(const void* data, size_t count);
    uint64_t Seek(int64_t offset, Origin origin);
    uint64_t Position() const;
    uint64_t Length() const;
    // Makes the written bytes durable.
    void Sync();

private:
    int fd_ = -1;
    std::string path_;
};

// Reads a whole regular file to its end (its size is only a hint: it may
// change while it is read). Nothing when it is missing, not a regular file (a
// pipe or a device could block or never end), unreadable, larger than
// `limit` bytes or too large for memory.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path,
                                                  size_t limit = std::numeric_limits<size_t>::max());
// The same, as text.
std::optional<std::string> ReadFileText(const std::string& path, size_t limit = std::numeric_limits<size_t>::max());

}  // namespace korv::platform
