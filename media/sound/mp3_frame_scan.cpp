#include "media/sound/mp3_frame_scan.h"

#include <algorithm>

namespace korv {

namespace {

constexpr size_t kId3v2HeaderBytes = 10;
constexpr uint8_t kId3v2FooterFlag = 0x10;

// The length of the one tag at the start of `data`, 0 when there is none.
size_t Id3v2TagLength(std::span<const uint8_t> data) {
    if (data.size() < kId3v2HeaderBytes || data[0] != 'I' || data[1] != 'D' || data[2] != '3') return 0;
    if (data[3] == 0xFF || data[4] == 0xFF) return 0;
    size_t body = 0;
    for (size_t i = 6; i < 10; ++i) {
        if (data[i] & 0x80) return 0;  // not synchsafe: not a tag
        body = (body << 7) | data[i];
    }
    const size_t footer = (data[5] & kId3v2FooterFlag) ? kId3v2HeaderBytes : 0;
    return std::min(data.size(), kId3v2HeaderBytes + body + footer);
}

}  // namespace

size_t Id3v2TagsLength(std::span<const uint8_t> data) {
    size_t total = 0;
    // Some files carry more than one tag, one after the other.
    while (size_t length = Id3v2TagLength(data.subspan(total))) total += length;
    return total;
}

std::optional<Mp3FirstFrame> FindFirstMp3Frame(std::span<const uint8_t> data) {
    const size_t start = Id3v2TagsLength(data);
    if (data.size() - start < 4) return std::nullopt;
    const size_t end = std::min(start + kMp3FrameScanOffsets, data.size() - 3);
    for (size_t offset = start; offset < end; ++offset) {
        if (data[offset] != 0xFF) continue;
        const uint32_t word = (uint32_t{data[offset]} << 24) | (uint32_t{data[offset + 1]} << 16) |
                              (uint32_t{data[offset + 2]} << 8) | uint32_t{data[offset + 3]};
        if (auto header = ParseMp3FrameHeader(word)) return Mp3FirstFrame{offset, *header};
    }
    return std::nullopt;
}

}  // namespace korv
