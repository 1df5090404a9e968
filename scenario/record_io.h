#pragma once
// Reading and writing the pieces of scenario records: scrambled texts and
// data blocks on top of the archive.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/archive.h"

namespace korv {

std::string ReadScrambledText(platform::ArchiveReader& archive);
void WriteScrambledText(platform::ArchiveWriter& archive, const std::string& text);

// A data block of `size` bytes, checked against the bytes left before it is
// allocated, read once and unscrambled in place.
std::vector<uint8_t> ReadScrambledBlock(platform::ArchiveReader& archive, int32_t size);
// Scrambles in pieces on the way out, so a large block is never copied whole.
void WriteScrambledBlock(platform::ArchiveWriter& archive, std::span<const uint8_t> block);

// A count or size that must not be negative.
int32_t ReadCount(platform::ArchiveReader& archive, const char* what);

}  // namespace korv
