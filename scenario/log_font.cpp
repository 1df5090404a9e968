#include "scenario/log_font.h"

#include <cstring>

#include "scenario/scramble.h"

namespace korv {

namespace {

void PutI32(uint8_t* at, int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int32_t GetI32(const uint8_t* at) {
    return static_cast<int32_t>(at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24));
}

}  // namespace

std::string LogFont::FaceName() const {
    return std::string(faceName.data(), strnlen(faceName.data(), faceName.size()));
}

void LogFont::SetFaceName(const std::string& name) {
    faceName.fill('\0');
    std::memcpy(faceName.data(), name.data(), std::min(name.size(), kFaceNameSize - 1));
}

std::array<uint8_t, LogFont::kStoredSize> LogFont::ToBytes() const {
    std::array<uint8_t, kStoredSize> bytes{};
    PutI32(&bytes[0], height);
    PutI32(&bytes[4], width);
    PutI32(&bytes[8], escapement);
    PutI32(&bytes[12], orientation);
    PutI32(&bytes[16], weight);
    bytes[20] = italic;
    bytes[21] = underline;
    bytes[22] = strikeOut;
    bytes[23] = charSet;
    bytes[24] = outPrecision;
    bytes[25] = clipPrecision;
    bytes[26] = quality;
    bytes[27] = pitchAndFamily;
    std::memcpy(&bytes[28], faceName.data(), kFaceNameSize);
    return bytes;
}

LogFont LogFont::FromBytes(const std::array<uint8_t, kStoredSize>& bytes) {
    LogFont font;
    font.height = GetI32(&bytes[0]);
    font.width = GetI32(&bytes[4]);
    font.escapement = GetI32(&bytes[8]);
    font.orientation = GetI32(&bytes[12]);
    font.weight = GetI32(&bytes[16]);
    font.italic = bytes[20];
    font.underline = bytes[21];
    font.strikeOut = bytes[22];
    font.charSet = bytes[23];
    font.outPrecision = bytes[24];
    font.clipPrecision = bytes[25];
    font.quality = bytes[26];
    font.pitchAndFamily = bytes[27];
    std::memcpy(font.faceName.data(), &bytes[28], kFaceNameSize);
    return font;
}

void LogFont::Write(platform::ArchiveWriter& archive) const {
    auto bytes = ToBytes();
    ScrambleBytes(bytes, false);
    archive.WriteBytes(bytes.data(), bytes.size());
}

LogFont LogFont::Read(platform::ArchiveReader& archive) {
    std::array<uint8_t, kStoredSize> bytes{};
    archive.ReadBytes(bytes.data(), bytes.size());
    ScrambleBytes(bytes, true);
    return FromBytes(bytes);
}

}  // namespace korv
