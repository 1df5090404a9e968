#pragma once
// SHA-256 of a byte block, as lower-case hexadecimal (for reports that name
// embedded files without printing them).

#include <cstdint>
#include <span>
#include <string>

namespace korv::tool {

std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace korv::tool
