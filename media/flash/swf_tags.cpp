#include "media/flash/swf_tags.h"

namespace korv {

namespace {

constexpr uint16_t kLongLength = 0x3F;

}  // namespace

std::optional<SwfTag> ReadSwfTag(std::span<const uint8_t> bytes, size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 2) return std::nullopt;
    uint16_t codeAndLength = static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
    SwfTag tag;
    tag.code = codeAndLength >> 6;
    tag.start = offset;
    tag.length = codeAndLength & kLongLength;
    tag.dataStart = offset + 2;
    if (tag.length == kLongLength) {
        if (bytes.size() - tag.dataStart < 4) return std::nullopt;
        const uint8_t* p = bytes.data() + tag.dataStart;
        tag.length = static_cast<size_t>(p[0]) | static_cast<size_t>(p[1]) << 8 | static_cast<size_t>(p[2]) << 16 |
                     static_cast<size_t>(p[3]) << 24;
        tag.dataStart += 4;
    }
    if (bytes.size() - tag.dataStart < tag.length) return std::nullopt;
    return tag;
}

void AppendSwfTag(std::vector<uint8_t>& out, uint16_t code, std::span<const uint8_t> data) {
    bool longForm = data.size() >= kLongLength;
    uint16_t codeAndLength = static_cast<uint16_t>(code << 6 | (longForm ? kLongLength : data.size()));
    out.push_back(static_cast<uint8_t>(codeAndLength));
    out.push_back(static_cast<uint8_t>(codeAndLength >> 8));
    if (longForm) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
    }
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace korv
