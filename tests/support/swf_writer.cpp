#include "tests/support/swf_writer.h"

#include <lzma.h>
#include <zlib.h>

#include <cmath>
#include <stdexcept>

namespace korv::test {

namespace {

constexpr int kTwips = 20;
constexpr uint16_t kShowFrame = 1;
constexpr uint16_t kDefineShape = 2;
constexpr uint16_t kSetBackgroundColor = 9;
constexpr uint16_t kPlaceObject2 = 26;
constexpr uint16_t kFileAttributes = 69;

// Bits most significant first, padded with zeros to whole bytes.
class BitWriter {
public:
    void Unsigned(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1u) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    void Signed(int32_t value, int bits) { Unsigned(static_cast<uint32_t>(value), bits); }
    std::vector<uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t used_ = 0;
};

// Bits a signed field needs for all of `values` (at least 1).
int SignedBits(std::initializer_list<int32_t> values) {
    int bits = 1;
    for (int32_t value : values)
        while (value < -(int64_t{1} << (bits - 1)) || value >= (int64_t{1} << (bits - 1))) ++bits;
    return bits;
}

std::vector<uint8_t> Rect(int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax) {
    BitWriter bits;
    int n = SignedBits({xMin, xMax, yMin, yMax});
    bits.Unsigned(static_cast<uint32_t>(n), 5);
    for (int32_t edge : {xMin, xMax, yMin, yMax}) bits.Signed(edge, n);
    return bits.Bytes();
}

// A matrix with a translation only.
std::vector<uint8_t> TranslateMatrix(int32_t x, int32_t y) {
    BitWriter bits;
    bits.Unsigned(0, 1);  // no scale
    bits.Unsigned(0, 1);  // no rotation
    int n = SignedBits({x, y});
    bits.Unsigned(static_cast<uint32_t>(n), 5);
    bits.Signed(x, n);
    bits.Signed(y, n);
    return bits.Bytes();
}

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

void AppendU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendRgb(std::vector<uint8_t>& out, uint32_t rgb) {
    out.push_back(static_cast<uint8_t>(rgb >> 16));
    out.push_back(static_cast<uint8_t>(rgb >> 8));
    out.push_back(static_cast<uint8_t>(rgb));
}

// DefineShape: character 1, a rectangle from (0, 0) filled with one solid
// colour and no outline.
std::vector<uint8_t> RectangleShape(int width, int height, uint32_t colour) {
    int32_t w = width * kTwips;
    int32_t h = height * kTwips;
    std::vector<uint8_t> data;
    AppendU16(data, 1);
    Append(data, Rect(0, w, 0, h));
    data.push_back(1);  // fill styles
    data.push_back(0x00);  // solid
    AppendRgb(data, colour);
    data.push_back(0);  // line styles
    BitWriter records;
    records.Unsigned(1, 4);  // fill style index bits
    records.Unsigned(0, 4);  // line style index bits
    // Style change: no new styles, no line style, fill style 1, no fill
    // style 0, move to (0, 0).
    records.Unsigned(0, 1);
    records.Unsigned(0b00101, 5);
    int moveBits = SignedBits({0});
    records.Unsigned(static_cast<uint32_t>(moveBits), 5);
    records.Signed(0, moveBits);
    records.Signed(0, moveBits);
    records.Unsigned(1, 1);  // fill style 1 = the first style
    // Straight edges, each horizontal or vertical: right, down, left, up.
    auto edge = [&](int32_t delta, bool vertical) {
        int bits = std::max(2, SignedBits({delta}));
        records.Unsigned(1, 1);  // edge
        records.Unsigned(1, 1);  // straight
        records.Unsigned(static_cast<uint32_t>(bits - 2), 4);
        records.Unsigned(0, 1);  // not a general line
        records.Unsigned(vertical ? 1 : 0, 1);
        records.Signed(delta, bits);
    };
    edge(w, false);
    edge(h, true);
    edge(-w, false);
    edge(-h, true);
    records.Unsigned(0, 6);  // end of shape
    Append(data, records.Bytes());
    return data;
}

std::vector<uint8_t> PlaceRectangle(int frame, int32_t x, int32_t y) {
    std::vector<uint8_t> data;
    constexpr uint8_t kMove = 0x01, kHasCharacter = 0x02, kHasMatrix = 0x04;
    data.push_back(frame == 0 ? kHasCharacter | kHasMatrix : kMove | kHasMatrix);
    AppendU16(data, 1);  // depth
    if (frame == 0) AppendU16(data, 1);  // character
    Append(data, TranslateMatrix(x, y));
    return data;
}

std::vector<uint8_t> Zlib(std::span<const uint8_t> body) {
    uLongf length = compressBound(static_cast<uLong>(body.size()));
    std::vector<uint8_t> packed(length);
    if (compress2(packed.data(), &length, body.data(), static_cast<uLong>(body.size()), 9) != Z_OK)
        throw std::runtime_error("zlib compression failed");
    packed.resize(length);
    return packed;
}

// The .lzma container's output: 5 property bytes, u64 size, data.
std::vector<uint8_t> LzmaAlone(std::span<const uint8_t> body) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 6)) throw std::runtime_error("no LZMA preset");
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK) throw std::runtime_error("no LZMA encoder");
    std::vector<uint8_t> out(body.size() + body.size() / 2 + 1024);
    stream.next_in = body.data();
    stream.avail_in = body.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret result = lzma_code(&stream, LZMA_FINISH);
    out.resize(stream.total_out);
    lzma_end(&stream);
    if (result != LZMA_STREAM_END) throw std::runtime_error("LZMA compression failed");
    return out;
}

}  // namespace

std::vector<uint8_t> SwfTestTag(uint16_t code, std::span<const uint8_t> data) {
    std::vector<uint8_t> tag;
    if (data.size() < 0x3F) {
        AppendU16(tag, static_cast<uint32_t>(code) << 6 | static_cast<uint32_t>(data.size()));
    } else {
        AppendU16(tag, static_cast<uint32_t>(code) << 6 | 0x3F);
        AppendU32(tag, static_cast<uint32_t>(data.size()));
    }
    Append(tag, data);
    return tag;
}

std::vector<uint8_t> SwfTestFile(int width, int height, double frameRate, int frames, std::span<const uint8_t> tags,
                                 char compression, int version) {
    std::vector<uint8_t> body = Rect(0, width * kTwips, 0, height * kTwips);
    AppendU16(body, static_cast<uint32_t>(std::lround(frameRate * 256)));
    AppendU16(body, static_cast<uint32_t>(frames));
    Append(body, tags);
    uint32_t length = static_cast<uint32_t>(8 + body.size());

    std::vector<uint8_t> file = {static_cast<uint8_t>(compression), 'W', 'S', static_cast<uint8_t>(version)};
    AppendU32(file, length);
    if (compression == 'F') {
        Append(file, body);
    } else if (compression == 'C') {
        Append(file, Zlib(body));
    } else if (compression == 'Z') {
        std::vector<uint8_t> alone = LzmaAlone(body);
        std::span<const uint8_t> properties = std::span(alone).first(5);
        std::span<const uint8_t> data = std::span(alone).subspan(13);
        AppendU32(file, static_cast<uint32_t>(data.size()));
        Append(file, properties);
        Append(file, data);
    } else {
        throw std::invalid_argument("compression is 'F', 'C' or 'Z'");
    }
    return file;
}

std::vector<uint8_t> WriteSwfTestMovie(const SwfTestMovie& movie) {
    std::vector<uint8_t> tags;
    std::vector<uint8_t> attributes = {static_cast<uint8_t>(movie.actionScript3 ? 0x08 : 0x00), 0, 0, 0};
    Append(tags, SwfTestTag(kFileAttributes, attributes));
    std::vector<uint8_t> background;
    AppendRgb(background, movie.background);
    Append(tags, SwfTestTag(kSetBackgroundColor, background));
    Append(tags, SwfTestTag(kDefineShape, RectangleShape(movie.shapeWidth, movie.shapeHeight, movie.shapeColour)));
    for (int frame = 0; frame < movie.frames; ++frame) {
        int32_t x = (movie.startX + frame * movie.stepX) * kTwips;
        Append(tags, SwfTestTag(kPlaceObject2, PlaceRectangle(frame, x, movie.startY * kTwips)));
        Append(tags, SwfTestTag(kShowFrame, {}));
    }
    Append(tags, SwfTestTag(0, {}));
    return SwfTestFile(movie.width, movie.height, movie.frameRate, movie.frames, tags, movie.compression,
                       movie.version);
}

}  // namespace korv::test
