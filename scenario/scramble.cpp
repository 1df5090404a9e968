#include "scenario/scramble.h"

namespace korv {

void ScrambleBytes(std::span<uint8_t> block, bool unscramble) {
    auto shift = static_cast<uint8_t>(ScrambleShift(block.size()));
    if (unscramble)
        for (uint8_t& byte : block) byte = static_cast<uint8_t>(byte + shift);
    else
        for (uint8_t& byte : block) byte = static_cast<uint8_t>(byte - shift);
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
