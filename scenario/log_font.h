#pragma once
// A font description in the 60-byte layout of the original platform's
// LOGFONT (ANSI face name), as scenario files store it.

#include <array>
#include <cstdint>
#include <string>

#include "platform/archive.h"

namespace korv {

struct LogFont {
    static constexpr size_t kStoredSize = 60;
    static constexpr size_t kFaceNameSize = 32;  // 31 characters and a terminator

    int32_t height = 0;  // negative: character height; positive: cell height
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 1;
    uint8_t clipPrecision = 2;
    uint8_t quality = 1;
    uint8_t pitchAndFamily = 34;
    std::array<char, kFaceNameSize> faceName{};

    // The face name up to its terminator.
    std::string FaceName() const;
    // Keeps at most 31 characters.
    void SetFaceName(const std::string& name);

    std::array<uint8_t, kStoredSize> ToBytes() const;
    static LogFont FromBytes(const std::array<uint8_t, kStoredSize>& bytes);

    // Stored scrambled as one 60-byte block.
    void Write(platform::ArchiveWriter& archive) const;
    static LogFont Read(platform::ArchiveReader& archive);

    bool operator==(const LogFont&) const = default;
};

}  // namespace korv
