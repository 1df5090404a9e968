#include "update/base64.h"

#include <cstdint>

namespace korv {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kMimeLineLength = 76;

}  // namespace

std::string EncodeBase64Line(const void* bytes, size_t length) {
    const auto* in = static_cast<const uint8_t*>(bytes);
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        uint32_t group = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += kAlphabet[(group >> 6) & 63];
        out += kAlphabet[group & 63];
    }
    size_t rest = length - i;
    if (rest > 0) {
        uint32_t group = uint32_t{in[i]} << 16;
        if (rest == 2) group |= uint32_t{in[i + 1]} << 8;
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string EncodeBase64(const void* bytes, size_t length) {
    std::string line = EncodeBase64Line(bytes, length);
    std::string out;
    out.reserve(line.size() + line.size() / kMimeLineLength * 2);
    for (size_t start = 0; start < line.size(); start += kMimeLineLength) {
        out.append(line, start, kMimeLineLength);
        if (start + kMimeLineLength <= line.size()) out += "\r\n";
    }
    return out;
}

}  // namespace korv
