#pragma once
// The tags of a movie's timeline. Each starts with a u16 LE holding the
// code (upper ten bits) and the length (lower six); a length of 0x3F means
// a u32 LE length follows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korv {

inline constexpr uint16_t kSwfEndTag = 0;
inline constexpr uint16_t kSwfShowFrameTag = 1;
inline constexpr uint16_t kSwfDoActionTag = 12;
inline constexpr uint16_t kSwfDefineSpriteTag = 39;
inline constexpr uint16_t kSwfFileAttributesTag = 69;
// The FileAttributes flag of movies whose code is ActionScript 3.
inline constexpr uint8_t kSwfActionScript3Flag = 0x08;

struct SwfTag {
    uint16_t code = 0;
    // Offsets into the bytes the tag was read from.
    size_t start = 0;
    size_t dataStart = 0;
    size_t length = 0;
    size_t End() const { return dataStart + length; }
};

// The tag whose header starts at `offset`; nullopt when its header or its
// data run past the end of `bytes`.
std::optional<SwfTag> ReadSwfTag(std::span<const uint8_t> bytes, size_t offset);

// Appends a tag, with the long length form when the data needs it.
void AppendSwfTag(std::vector<uint8_t>& out, uint16_t code, std::span<const uint8_t> data);

}  // namespace korv
