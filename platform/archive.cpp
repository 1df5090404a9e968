#include "platform/archive.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/exception.h"

namespace korv::platform {

ArchiveReader::ArchiveReader(File& file, size_t bufferSize, uint64_t endOffset)
    : file_(&file), buffer_(std::max<size_t>(bufferSize, 16)) {
    uint64_t start = file.Position();
    uint64_t length = std::min(file.Length(), endOffset);
    end_ = length > start ? length - start : 0;
}

ArchiveReader::ArchiveReader(std::span<const uint8_t> bytes)
    : memory_(bytes), window_(bytes.data()), windowSize_(bytes.size()), end_(bytes.size()) {}

void ArchiveReader::Require(uint64_t count) const {
    if (count > Remaining()) throw ArchiveException("archive ends early: " + std::to_string(count) +
                                                    " bytes wanted, " + std::to_string(Remaining()) + " left");
}

void ArchiveReader::Fill() {
    if (!file_) return;
    size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), Remaining()));
    size_t got = file_->Read(buffer_.data(), want);
    window_ = buffer_.data();
    windowSize_ = got;
    if (got == 0) throw ArchiveException("file ended before its expected length");
}

void ArchiveReader::ReadBytes(void* out, size_t count) {
    Require(count);
    auto* dest = static_cast<uint8_t*>(out);
    while (count > 0) {
        if (windowSize_ == 0 && file_ && count >= buffer_.size()) {
            // Large blocks go straight from the file into place.
            size_t got = file_->Read(dest, count);
            if (got != count) throw ArchiveException("file ended before its expected length");
            position_ += count;
            return;
        }
        if (windowSize_ == 0) Fill();
        size_t take = std::min(count, windowSize_);
        std::memcpy(dest, window_, take);
        dest += take;
        window_ += take;
        windowSize_ -= take;
        position_ += take;
        count -= take;
    }
}

void ArchiveReader::Skip(uint64_t count) {
    Require(count);
    uint64_t inWindow = std::min<uint64_t>(count, windowSize_);
    window_ += inWindow;
    windowSize_ -= static_cast<size_t>(inWindow);
    position_ += inWindow;
    count -= inWindow;
    if (count > 0 && file_) {
        file_->Seek(static_cast<int64_t>(count), File::Origin::Current);
        position_ += count;
    }
}

uint8_t ArchiveReader::ReadU8() {
    uint8_t value;
    ReadBytes(&value, 1);
    return value;
}

uint16_t ArchiveReader::ReadU16() {
    uint8_t b[2];
    ReadBytes(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t ArchiveReader::ReadU32() {
    uint8_t b[4];
    ReadBytes(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

float ArchiveReader::ReadFloat() { return std::bit_cast<float>(ReadU32()); }

std::vector<uint8_t> ArchiveReader::ReadBlock(size_t count) {
    Require(count);
    std::vector<uint8_t> block(count);
    ReadBytes(block.data(), count);
    return block;
}

uint32_t ArchiveReader::ReadStringLength(bool& wide) {
    wide = false;
    uint8_t shortLength = ReadU8();
    if (shortLength < 0xFF) return shortLength;
    uint16_t mediumLength = ReadU16();
    if (mediumLength == 0xFFFE) {
        wide = true;
        shortLength = ReadU8();
        if (shortLength < 0xFF) return shortLength;
        mediumLength = ReadU16();
    }
    if (mediumLength < 0xFFFF) return mediumLength;
    return ReadU32();
}

std::string ArchiveReader::ReadString() {
    bool wide = false;
    uint64_t length = ReadStringLength(wide);
    if (!wide) {
        Require(length);
        std::string text(length, '\0');
        ReadBytes(text.data(), length);
        return text;
    }
    Require(length * 2);
    std::vector<uint16_t> units(length);
    for (auto& unit : units) unit = ReadU16();
    return Utf16ToUtf8(units);
}

ArchiveWriter::ArchiveWriter(File& file, size_t bufferSize) : file_(file), buffer_(std::max<size_t>(bufferSize, 16)) {}

ArchiveWriter::~ArchiveWriter() {
    try {
        Flush();
    } catch (const Exception&) {
    }
}

void ArchiveWriter::Flush() {
    if (used_ > 0) {
        size_t count = used_;
        used_ = 0;
        file_.Write(buffer_.data(), count);
    }
}

void ArchiveWriter::WriteBytes(const void* data, size_t count) {
    const auto* in = static_cast<const uint8_t*>(data);
    if (count >= buffer_.size()) {
        // Large blocks go straight to the file instead of through the buffer.
        Flush();
        file_.Write(in, count);
        return;
    }
    if (used_ + count > buffer_.size()) Flush();
    std::memcpy(buffer_.data() + used_, in, count);
    used_ += count;
}

void ArchiveWriter::WriteU8(uint8_t value) { WriteBytes(&value, 1); }

void ArchiveWriter::WriteU16(uint16_t value) {
    uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    WriteBytes(b, 2);
}

void ArchiveWriter::WriteU32(uint32_t value) {
    uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                    static_cast<uint8_t>(value >> 24)};
    WriteBytes(b, 4);
}

void ArchiveWriter::WriteFloat(float value) { WriteU32(std::bit_cast<uint32_t>(value)); }

void ArchiveWriter::WriteString(const std::string& text) {
    if (text.size() > 0xFFFFFFFEu) throw ArchiveException("text too long for the archive");
    auto prefix = EncodeStringLength(static_cast<uint32_t>(text.size()));
    WriteBytes(prefix.data(), prefix.size());
    WriteBytes(text.data(), text.size());
}

std::vector<uint8_t> EncodeStringLength(uint32_t length) {
    if (length < 0xFF) return {static_cast<uint8_t>(length)};
    // 0xFFFE would read as the wide-text marker, so it takes the 32-bit form.
    if (length < 0xFFFE) return {0xFF, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
    return {0xFF,
            0xFF,
            0xFF,
            static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(length >> 16),
            static_cast<uint8_t>(length >> 24)};
}

std::string Utf16ToUtf8(std::span<const uint16_t> units) {
    std::string out;
    out.reserve(units.size());
    auto put = [&out](uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    };
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            put(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            put(0xFFFD);
        } else {
            put(unit);
        }
    }
    return out;
}

}  // namespace korv::platform
