#include "media/flash/swf_body.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <array>

namespace korv {

namespace {

// Output grows by this much at a time, so that a header claiming a huge
// body costs nothing until the data really expands that far.
constexpr size_t kOutputStep = 256 * 1024;
constexpr size_t kZwsPropertiesOffset = 12;
constexpr size_t kZwsPropertiesBytes = 5;
constexpr size_t kZwsDataOffset = kZwsPropertiesOffset + kZwsPropertiesBytes;
// The smallest dictionary the decoder takes.
constexpr uint32_t kMinLzmaDictionary = 4096;
constexpr uint64_t kLzmaMemoryLimit = 256ull * 1024 * 1024;

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// Makes room for the next step of output; false when `limit` is reached.
bool GrowOutput(std::vector<uint8_t>& out, size_t produced, size_t limit) {
    if (produced >= limit) return false;
    out.resize(produced + std::min(kOutputStep, limit - produced));
    return true;
}

std::vector<uint8_t> Inflate(std::span<const uint8_t> stream, size_t limit) {
    std::vector<uint8_t> out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    size_t fed = 0;
    size_t produced = 0;
    while (GrowOutput(out, produced, limit)) {
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(out.size() - produced);
        if (z.avail_in == 0 && fed < stream.size()) {
            size_t chunk = std::min<size_t>(stream.size() - fed, 1u << 30);
            z.next_in = const_cast<Bytef*>(stream.data() + fed);
            z.avail_in = static_cast<uInt>(chunk);
            fed += chunk;
        }
        int result = inflate(&z, Z_NO_FLUSH);
        produced = out.size() - z.avail_out;
        // The stream's end, data that runs out, or damage from here on.
        if (result != Z_OK) break;
        if (z.avail_out > 0 && z.avail_in == 0 && fed == stream.size()) break;
    }
    inflateEnd(&z);
    out.resize(produced);
    return out;
}

// Decodes with the classic .lzma container: the five property bytes, then
// the body's length as u64 LE (unknown when the header's length is too
// small to be real). The dictionary is cut to what the output can use, so
// that a property byte claiming gigabytes costs nothing.
std::vector<uint8_t> DecodeLzma(std::span<const uint8_t> file, size_t limit) {
    if (file.size() < kZwsDataOffset) return {};
    uint32_t declared = SwfDeclaredLength(file);
    uint64_t bodyLength = declared >= kSwfHeaderBytes ? declared - kSwfHeaderBytes : UINT64_MAX;

    std::array<uint8_t, 13> header{};
    std::copy_n(file.begin() + kZwsPropertiesOffset, kZwsPropertiesBytes, header.begin());
    uint32_t dictionary = ReadU32(header, 1);
    uint64_t useful = std::min<uint64_t>(limit, bodyLength);
    uint32_t cap = static_cast<uint32_t>(std::max<uint64_t>(std::min<uint64_t>(useful, UINT32_MAX), kMinLzmaDictionary));
    dictionary = std::min(dictionary, cap);
    for (int i = 0; i < 4; ++i) header[1 + i] = static_cast<uint8_t>(dictionary >> (8 * i));
    for (int i = 0; i < 8; ++i) header[5 + i] = static_cast<uint8_t>(bodyLength >> (8 * i));

    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&stream, kLzmaMemoryLimit) != LZMA_OK) return {};
    // The decoder takes in nothing while it has no room for output.
    std::vector<uint8_t> out;
    size_t produced = 0;
    bool refused = false;
    if (GrowOutput(out, produced, limit)) {
        stream.next_in = header.data();
        stream.avail_in = header.size();
        stream.next_out = out.data();
        stream.avail_out = out.size();
        lzma_ret result = lzma_code(&stream, LZMA_RUN);
        refused = result != LZMA_OK || stream.avail_in != 0 || stream.total_out != 0;
    }

    std::span<const uint8_t> data = file.subspan(kZwsDataOffset);
    stream.next_in = data.data();
    stream.avail_in = data.size();
    while (!refused && GrowOutput(out, produced, limit)) {
        stream.next_out = out.data() + produced;
        stream.avail_out = out.size() - produced;
        lzma_ret result = lzma_code(&stream, LZMA_RUN);
        produced = out.size() - stream.avail_out;
        // The stream's end, data that runs out, or damage from here on.
        if (result != LZMA_OK) break;
        if (stream.avail_out > 0 && stream.avail_in == 0) break;
    }
    lzma_end(&stream);
    out.resize(produced);
    return out;
}

}  // namespace

std::optional<SwfCompression> SwfSignature(std::span<const uint8_t> file) {
    if (file.size() < kSwfHeaderBytes || file[1] != 'W' || file[2] != 'S') return std::nullopt;
    switch (file[0]) {
        case 'F': return SwfCompression::Plain;
        case 'C': return SwfCompression::Zlib;
        case 'Z': return SwfCompression::Lzma;
        default: return std::nullopt;
    }
}

uint32_t SwfDeclaredLength(std::span<const uint8_t> file) { return ReadU32(file, 4); }

std::optional<std::vector<uint8_t>> SwfBodyBytes(std::span<const uint8_t> file, size_t limit) {
    auto signature = SwfSignature(file);
    if (!signature) return std::nullopt;
    switch (*signature) {
        case SwfCompression::Plain: {
            auto body = file.subspan(kSwfHeaderBytes);
            body = body.first(std::min(body.size(), limit));
            return std::vector<uint8_t>(body.begin(), body.end());
        }
        case SwfCompression::Zlib: return Inflate(file.subspan(kSwfHeaderBytes), limit);
        case SwfCompression::Lzma: return DecodeLzma(file, limit);
    }
    return std::nullopt;
}

}  // namespace korv
