#include "scenario/scramble.h"

#include <cstring>

namespace korv {

// Eight bytes at a time in a machine word: the low seven bits of each byte
// are added with the carry kept inside the byte, and the top bit is set by
// the exclusive or of the two top bits, so no carry crosses into the next byte.
void AddToEachByte(uint8_t* out, const uint8_t* in, size_t count, uint8_t add) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    const uint64_t addend = 0x0101010101010101ull * add;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, in + i, 8);
        word = ((word & kLow7) + (addend & kLow7)) ^ ((word ^ addend) & kHigh);
        std::memcpy(out + i, &word, 8);
    }
    for (; i < count; ++i) out[i] = static_cast<uint8_t>(in[i] + add);
}

void ScrambleBytes(std::span<uint8_t> block, bool unscramble) {
    auto shift = static_cast<uint8_t>(ScrambleShift(block.size()));
    AddToEachByte(block.data(), block.data(), block.size(), unscramble ? shift : static_cast<uint8_t>(-shift));
}

std::string ScrambledText(std::string text) {
    ScrambleBytes({reinterpret_cast<uint8_t*>(text.data()), text.size()}, false);
    return text;
}

std::string UnscrambledText(std::string text) {
    ScrambleBytes({reinterpret_cast<uint8_t*>(text.data()), text.size()}, true);
    return text;
}

}  // namespace korv
