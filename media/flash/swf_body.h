#pragma once
// A movie's body (everything after its 8-byte header: signature, version,
// file length) as plain bytes, whichever way the file stores it:
//   "FWS"  plain;
//   "CWS"  a zlib stream from byte 8;
//   "ZWS"  u32 compressed length at byte 8, five bytes of LZMA properties
//          at byte 12, raw LZMA data from byte 17.
// The file length counts the uncompressed whole file, header included. The
// LZMA data is taken to run to the end of the file: writers disagree on
// whether the compressed length counts the properties, and the decoder
// stops at the body's length anyway.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korv {

enum class SwfCompression { Plain, Zlib, Lzma };

inline constexpr size_t kSwfHeaderBytes = 8;

// nullopt unless the file starts with one of the three signatures and has a
// whole header.
std::optional<SwfCompression> SwfSignature(std::span<const uint8_t> file);

// The file length from the header (the file must have a whole header).
uint32_t SwfDeclaredLength(std::span<const uint8_t> file);

// At most `limit` bytes of the body; fewer when the stored data ends or
// turns out damaged first (what was decoded before is kept, so a reader of
// the start of a body sees the same bytes whatever it asks for). nullopt
// for an unknown signature. Memory grows with what is decoded, not with
// what the header claims.
std::optional<std::vector<uint8_t>> SwfBodyBytes(std::span<const uint8_t> file, size_t limit);

}  // namespace korv
