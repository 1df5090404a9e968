// The test movies' drawing read back bit by bit, apart from the writer's
// own code: the rectangle must be a closed outline filled with its colour,
// and the placements must move it as asked, or a real player shows nothing.

#include <gtest/gtest.h>

#include <map>

#include "media/flash/swf_movie.h"
#include "tests/support/swf_writer.h"

namespace korv {
namespace {

class Bits {
public:
    explicit Bits(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint32_t U(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            EXPECT_LT(at_ / 8, bytes_.size());
            if (at_ / 8 >= bytes_.size()) return 0;
            value = value << 1 | ((bytes_[at_ / 8] >> (7 - at_ % 8)) & 1u);
            ++at_;
        }
        return value;
    }
    int32_t S(int count) {
        uint32_t value = U(count);
        if (count > 0 && (value >> (count - 1)) & 1u) value |= ~0u << count;
        return static_cast<int32_t>(value);
    }
    void Align() { at_ = (at_ + 7) / 8 * 8; }
    size_t Byte() const { return at_ / 8; }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

struct Tag {
    int code;
    std::span<const uint8_t> data;
};

std::vector<Tag> Tags(const SwfMovie& movie) {
    std::vector<Tag> tags;
    std::span<const uint8_t> bytes = movie.uncompressed;
    size_t at = movie.tagsOffset;
    while (at + 2 <= bytes.size()) {
        int header = bytes[at] | bytes[at + 1] << 8;
        size_t length = header & 0x3F;
        at += 2;
        if (length == 0x3F) {
            length = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | size_t{bytes[at + 3]} << 24;
            at += 4;
        }
        tags.push_back({header >> 6, bytes.subspan(at, length)});
        at += length;
    }
    return tags;
}

TEST(SwfTestMovie, DrawsAClosedFilledRectangleThatMovesEachFrame) {
    test::SwfTestMovie written;
    written.shapeWidth = 30;
    written.shapeHeight = 50;
    written.shapeColour = 0x12AB34;
    written.background = 0x0000FF;
    written.startX = 5;
    written.startY = 60;
    written.stepX = 25;
    written.frames = 4;
    auto movie = ReadSwfMovie(test::WriteSwfTestMovie(written));
    ASSERT_TRUE(movie);
    auto tags = Tags(*movie);
    std::map<int, int> counts;
    for (const Tag& tag : tags) ++counts[tag.code];
    EXPECT_EQ(counts[69], 1);
    EXPECT_EQ(counts[9], 1);
    EXPECT_EQ(counts[2], 1);
    EXPECT_EQ(counts[26], 4);
    EXPECT_EQ(counts[1], 4);
    EXPECT_EQ(tags.back().code, 0);

    for (const Tag& tag : tags) {
        if (tag.code == 9) {
            EXPECT_EQ(std::vector<uint8_t>(tag.data.begin(), tag.data.end()), (std::vector<uint8_t>{0, 0, 0xFF}));
        }
        if (tag.code != 2) continue;
        auto d = tag.data;
        EXPECT_EQ(d[0] | d[1] << 8, 1);
        Bits bounds(d.subspan(2));
        int n = static_cast<int>(bounds.U(5));
        EXPECT_EQ(bounds.S(n), 0);
        EXPECT_EQ(bounds.S(n), 600);
        EXPECT_EQ(bounds.S(n), 0);
        EXPECT_EQ(bounds.S(n), 1000);
        bounds.Align();
        size_t at = 2 + bounds.Byte();
        ASSERT_EQ(d[at], 1);        // one fill style
        EXPECT_EQ(d[at + 1], 0x00);  // solid
        EXPECT_EQ(d[at + 2], 0x12);
        EXPECT_EQ(d[at + 3], 0xAB);
        EXPECT_EQ(d[at + 4], 0x34);
        EXPECT_EQ(d[at + 5], 0);     // no line styles
        Bits records(d.subspan(at + 6));
        int fillBits = static_cast<int>(records.U(4));
        int lineBits = static_cast<int>(records.U(4));
        int x = 0, y = 0, minX = 0, maxX = 0, minY = 0, maxY = 0, edges = 0;
        uint32_t fill1 = 0;
        bool moved = false;
        for (;;) {
            if (records.U(1) == 0) {
                uint32_t flags = records.U(5);
                if (flags == 0) break;
                ASSERT_EQ(flags & 0x10, 0u) << "no new styles";
                if (flags & 0x01) {
                    int bits = static_cast<int>(records.U(5));
                    x = records.S(bits);
                    y = records.S(bits);
                    moved = true;
                }
                if (flags & 0x02) {
                    EXPECT_EQ(records.U(fillBits), 0u);
                }
                if (flags & 0x04) fill1 = records.U(fillBits);
                if (flags & 0x08) records.U(lineBits);
                continue;
            }
            ASSERT_EQ(records.U(1), 1u) << "straight edges only";
            int bits = static_cast<int>(records.U(4)) + 2;
            if (records.U(1)) {
                x += records.S(bits);
                y += records.S(bits);
            } else if (records.U(1)) {
                y += records.S(bits);
            } else {
                x += records.S(bits);
            }
            ++edges;
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
        records.Align();
        EXPECT_EQ(at + 6 + records.Byte(), d.size()) << "the records fill the tag";
        EXPECT_TRUE(moved);
        EXPECT_EQ(fill1, 1u);
        EXPECT_EQ(edges, 4);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        EXPECT_EQ(maxX - minX, 600);
        EXPECT_EQ(maxY - minY, 1000);
    }

    int frame = 0;
    for (const Tag& tag : tags) {
        if (tag.code != 26) continue;
        auto d = tag.data;
        size_t at = 3;
        EXPECT_EQ(d[0], frame == 0 ? 0x06 : 0x05);
        EXPECT_EQ(d[1] | d[2] << 8, 1);  // depth
        if (frame == 0) {
            EXPECT_EQ(d[3] | d[4] << 8, 1);  // character
            at = 5;
        }
        Bits matrix(d.subspan(at));
        EXPECT_EQ(matrix.U(1), 0u);
        EXPECT_EQ(matrix.U(1), 0u);
        int bits = static_cast<int>(matrix.U(5));
        EXPECT_EQ(matrix.S(bits), (5 + frame * 25) * 20) << frame;
        EXPECT_EQ(matrix.S(bits), 60 * 20);
        matrix.Align();
        EXPECT_EQ(at + matrix.Byte(), d.size());
        ++frame;
    }
}

}  // namespace
}  // namespace korv
