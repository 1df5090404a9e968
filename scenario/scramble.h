#pragma once
// The reversible byte shift applied to texts and embedded files in scenario
// files: each byte of a block of n bytes is lowered by (n mod 11) + 3 when
// stored and raised back when read. It hides nothing from a determined
// reader; it keeps texts from being read at a glance.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korv {

inline int ScrambleShift(size_t length) { return static_cast<int>(length % 11) + 3; }

void ScrambleBytes(std::span<uint8_t> block, bool unscramble);
// out[i] = in[i] + add (mod 256) for `count` bytes; `out` may be `in`.
void AddToEachByte(uint8_t* out, const uint8_t* in, size_t count, uint8_t add);
std::string ScrambledText(std::string text);
std::string UnscrambledText(std::string text);

}  // namespace korv
