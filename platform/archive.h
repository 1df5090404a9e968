#pragma once
// The framework's serialisation archive: little-endian integers and floats,
// length-prefixed 8-bit texts, raw blocks; buffered in 4096-byte pieces.
//
// Texts: a length, then that many 8-bit characters. The length is one byte
// when below 255; otherwise 0xFF and a 16-bit length when below 0xFFFE;
// otherwise 0xFF, 0xFFFF and a 32-bit length. 0xFF followed by the 16-bit
// value 0xFFFE marks a text of 16-bit characters whose length follows again
// in the same encoding; such a text is read as UTF-8.
//
// The reader never trusts a length: anything that claims more bytes than are
// left raises ArchiveException before memory is allocated for it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/file.h"

namespace korv::platform {

inline constexpr size_t kArchiveBufferSize = 4096;

class ArchiveReader {
public:
    // Reads `file` from its current position to its end, or to the absolute
    // offset `endOffset` when that comes first.
    explicit ArchiveReader(File& file, size_t bufferSize = kArchiveBufferSize,
                           uint64_t endOffset = UINT64_MAX);
    // Reads bytes held in memory (they must outlive the reader).
    explicit ArchiveReader(std::span<const uint8_t> bytes);

    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    float ReadFloat();
    std::string ReadString();
    void ReadBytes(void* out, size_t count);
    std::vector<uint8_t> ReadBlock(size_t count);
    void Skip(uint64_t count);

    // Bytes not yet read.
    uint64_t Remaining() const { return end_ - position_; }
    uint64_t Position() const { return position_; }

private:
    void Require(uint64_t count) const;
    void Fill();
    uint32_t ReadStringLength(bool& wide);

    File* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    std::span<const uint8_t> memory_;
    const uint8_t* window_ = nullptr;  // buffered bytes from position_ on
    size_t windowSize_ = 0;
    uint64_t position_ = 0;  // bytes consumed from the start of the source
    uint64_t end_ = 0;       // total bytes of the source
};

class ArchiveWriter {
public:
    explicit ArchiveWriter(File& file, size_t bufferSize = kArchiveBufferSize);
    ~ArchiveWriter();  // flushes; errors there are lost, so call Flush() first
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    void WriteU8(uint8_t value);
    void WriteU16(uint16_t value);
    void WriteU32(uint32_t value);
    void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
    void WriteFloat(float value);
    void WriteString(const std::string& text);
    void WriteBytes(const void* data, size_t count);
    void Flush();

private:
    File& file_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};

// The length prefix of a text of `length` 8-bit characters.
std::vector<uint8_t> EncodeStringLength(uint32_t length);

// Converts UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::span<const uint16_t> units);

}  // namespace korv::platform
