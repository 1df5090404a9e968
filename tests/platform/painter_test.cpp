#include "platform/painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace korv::platform {
namespace {

constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kKey = Rgb(224, 224, 224);
constexpr Pixel kBackground = 0x00102030;

using Legend = std::map<char, Pixel>;

// The surface as rows of characters, one per pixel, named by `legend`
// ('?' for a pixel it does not name).
std::vector<std::string> Picture(const Surface& s, const Legend& legend) {
    std::vector<std::string> rows;
    for (int y = 0; y < s.Height(); ++y) {
        std::string row;
        for (int x = 0; x < s.Width(); ++x) {
            char c = '?';
            for (auto [name, pixel] : legend) {
                if (pixel == s.At(x, y)) c = name;
            }
            row += c;
        }
        rows.push_back(row);
    }
    return rows;
}

const Legend kRedOnBlack{{'.', 0}, {'#', ColourToPixel(kRed)}};

Surface Filled(int width, int height, Pixel pixel) {
    Surface s(width, height);
    for (Pixel& p : s.Pixels()) p = pixel;
    return s;
}

// A different pixel at every place of a Numbered surface.
Pixel NumberedAt(int x, int y) { return 0x00400000u + (Pixel(y + 1) << 8) + Pixel(x + 1); }

Surface Numbered(int width, int height) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) s.Set(x, y, NumberedAt(x, y));
    }
    return s;
}

// ---------------------------------------------------------------------------
// Fill, clip rectangle, pixels

TEST(PainterFillTest, ClipsToTheSurfaceAndToTheClipRectangle) {
    Surface s(6, 4);
    Painter painter(s);
    painter.Fill({-3, -2, 2, 2}, kRed);
    painter.Fill({5, 3, 100, 100}, kRed);
    EXPECT_EQ(Picture(s, kRedOnBlack), (std::vector<std::string>{
                                           "##....",
                                           "##....",
                                           "......",
                                           ".....#",
                                       }));

    Surface t(6, 4);
    Painter clipped(t);
    clipped.SetClip({1, 1, 4, 3});
    clipped.Fill({-100, -100, 100, 100}, kRed);
    EXPECT_EQ(Picture(t, kRedOnBlack), (std::vector<std::string>{
                                           "......",
                                           ".###..",
                                           ".###..",
                                           "......",
                                       }));
}

TEST(PainterFillTest, ClipRectangleStaysInsideTheSurface) {
    Surface s(6, 4);
    Painter painter(s);
    EXPECT_EQ(painter.Clip(), (Rect{0, 0, 6, 4}));
    painter.SetClip({4, -5, 50, 2});
    EXPECT_EQ(painter.Clip(), (Rect{4, 0, 6, 2}));
    painter.SetClip({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    EXPECT_EQ(painter.Clip(), (Rect{0, 0, 6, 4}));
    painter.SetClip({10, 10, 20, 20});
    EXPECT_TRUE(painter.Clip().IsEmpty());
    painter.Fill(s.Bounds(), kRed);
    EXPECT_EQ(s.At(0, 0), 0u);
    painter.ResetClip();
    EXPECT_EQ(painter.Clip(), (Rect{0, 0, 6, 4}));
}

TEST(PainterFillTest, ExtremeAndEmptyRectangles) {
    Surface s(5, 3);
    Painter painter(s);
    painter.Fill({INT_MAX - 1, INT_MIN, INT_MAX, INT_MAX}, kRed);
    painter.Fill({INT_MIN, INT_MAX - 1, INT_MAX, INT_MAX}, kRed);
    painter.Fill({4, 2, 1, 1}, kRed);  // mirrored: empty
    painter.Fill({2, 1, 2, 3}, kRed);  // zero width
    EXPECT_EQ(s.At(0, 0), 0u);
    for (Pixel p : s.Pixels()) EXPECT_EQ(p, 0u);

    painter.Fill({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, Rgb(1, 2, 3));
    for (Pixel p : s.Pixels()) EXPECT_EQ(p, 0x00010203u);
}

TEST(PainterFillTest, MarksTheSurfaceChangedOnlyWhenSomethingIsDrawn) {
    Surface s(4, 4);
    Painter painter(s);
    uint64_t before = s.Generation();
    painter.Fill({10, 10, 20, 20}, kRed);
    painter.Line({-10, -10}, {-5, -20}, Pen{});
    EXPECT_EQ(s.Generation(), before);
    painter.Fill({1, 1, 2, 2}, kRed);
    EXPECT_GT(s.Generation(), before);
}

TEST(PainterPixelTest, SetAndGetPixelHonourTheClip) {
    Surface s(4, 3);
    Painter painter(s);
    painter.SetPixel({1, 2}, Rgb(10, 20, 30));
    EXPECT_EQ(s.At(1, 2), 0x000A141Eu);
    EXPECT_EQ(painter.GetPixel({1, 2}), Rgb(10, 20, 30));
    EXPECT_EQ(painter.GetPixel({4, 0}), std::nullopt);
    EXPECT_EQ(painter.GetPixel({INT_MIN, INT_MAX}), std::nullopt);
    painter.SetPixel({-1, 0}, kRed);
    painter.SetPixel({INT_MAX, INT_MAX}, kRed);

    painter.SetClip({0, 0, 2, 2});
    painter.SetPixel({3, 0}, kRed);
    EXPECT_EQ(s.At(3, 0), 0u);
    EXPECT_EQ(painter.GetPixel({1, 2}), std::nullopt);
}

// ---------------------------------------------------------------------------
// Copy and raster operations

TEST(PainterCopyTest, EachRasterOpCombinesPixelByPixel) {
    Surface source = Filled(2, 1, 0x00F0F00Fu);
    source.Set(1, 0, 0xFF000000u | 0x00F0F00Fu);  // stray top byte never reaches Or/And results

    for (auto [op, expected] : {std::pair{RasterOp::Copy, 0x00F0F00Fu}, std::pair{RasterOp::Or, 0x00F2F45Fu},
                                std::pair{RasterOp::And, 0x00103006u}}) {
        Surface target = Filled(4, 1, 0x00123456u);
        Painter(target).Copy({1, 0}, source, {0, 0, 2, 1}, op);
        EXPECT_EQ(target.At(0, 0), 0x00123456u);
        EXPECT_EQ(target.At(1, 0), expected) << static_cast<uint32_t>(op);
        if (op != RasterOp::Copy) {
            EXPECT_EQ(target.At(2, 0), expected);
        }
        EXPECT_EQ(target.At(3, 0), 0x00123456u);
    }
}

TEST(PainterCopyTest, CopyManyDrawsWhatCopiesOneAfterTheOtherDraw) {
    // Random copies from two sources, overlapping each other, partly off
    // either surface and partly outside the clip: row by row, the result is
    // that of the copies made in turn, and all they drew is marked.
    std::srand(3);
    auto pattern = [](int width, int height, Pixel base) {
        Surface s(width, height);
        for (int i = 0; i < width * height; ++i) s.Pixels()[static_cast<size_t>(i)] = (base + static_cast<Pixel>(i) * 2654435761u) & 0xFFFFFF;
        return s;
    };
    const Surface first = pattern(50, 40, 7), second = pattern(30, 60, 99);
    auto random = [](int low, int high) { return low + std::rand() % (high - low + 1); };
    for (int round = 0; round < 200; ++round) {
        std::vector<Painter::CopyRequest> copies;
        for (int i = random(1, 12); i > 0; --i) {
            const Surface* source = i % 2 ? &first : &second;
            const Rect from = Rect::FromSize(random(-10, 40), random(-10, 50), random(0, 30), random(0, 30));
            copies.push_back({{random(-20, 70), random(-20, 50)}, source, from});
        }
        Surface one(64, 48), many(64, 48);
        Painter oneByOne(one), together(many);
        const Rect clip = Rect::FromSize(random(0, 10), random(0, 10), random(20, 64), random(20, 48));
        oneByOne.SetClip(clip);
        together.SetClip(clip);
        one.TakeDamage();
        many.TakeDamage();
        for (const auto& copy : copies) oneByOne.Copy(copy.destination, *copy.source, copy.sourceRect);
        together.CopyMany(copies);
        ASSERT_TRUE(std::equal(one.Pixels().begin(), one.Pixels().end(), many.Pixels().begin())) << "round " << round;
        const DamageRegion marked = many.TakeDamage(), expected = one.TakeDamage();
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                auto covers = [&](const DamageRegion& r) {
                    return std::any_of(r.Rects().begin(), r.Rects().end(), [&](const Rect& c) { return c.Contains(x, y); });
                };
                if (covers(expected)) {
                    ASSERT_TRUE(covers(marked)) << x << ", " << y << " round " << round;
                }
            }
    }
}

TEST(PainterCopyTest, UnknownRasterOpDrawsNothing) {
    Surface source = Filled(2, 2, 0x00FFFFFFu);
    Surface target(2, 2);
    Painter(target).Copy({0, 0}, source, source.Bounds(), static_cast<RasterOp>(0x00550009));
    for (Pixel p : target.Pixels()) EXPECT_EQ(p, 0u);
}

TEST(PainterCopyTest, ClipsToSourceTargetAndClipRectangle) {
    const Surface source = Numbered(4, 3);
    const Legend legend{{'.', kBackground}, {'a', NumberedAt(0, 0)}, {'b', NumberedAt(1, 0)}, {'c', NumberedAt(2, 0)},
                        {'d', NumberedAt(3, 0)},  {'e', NumberedAt(0, 1)}, {'f', NumberedAt(1, 1)},
                        {'g', NumberedAt(2, 1)},  {'h', NumberedAt(3, 1)}, {'i', NumberedAt(0, 2)},
                        {'j', NumberedAt(1, 2)},  {'k', NumberedAt(2, 2)}, {'l', NumberedAt(3, 2)}};

    // Source rectangle hanging over the source's top-left: the part inside
    // keeps its place relative to `destination`.
    Surface target = Filled(6, 5, kBackground);
    Painter(target).Copy({1, 1}, source, {-2, -1, 2, 2});
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "......",
                                           "......",
                                           "...ab.",
                                           "...ef.",
                                           "......",
                                       }));

    // Destination hanging over the target's edges.
    target = Filled(6, 5, kBackground);
    Painter(target).Copy({-2, 3}, source, source.Bounds());
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "......",
                                           "......",
                                           "......",
                                           "cd....",
                                           "gh....",
                                       }));
    target = Filled(6, 5, kBackground);
    Painter(target).Copy({4, -1}, source, source.Bounds());
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "....ef",
                                           "....ij",
                                           "......",
                                           "......",
                                           "......",
                                       }));

    // Clip rectangle.
    target = Filled(6, 5, kBackground);
    Painter clipped(target);
    clipped.SetClip({2, 1, 4, 5});
    clipped.Copy({1, 0}, source, source.Bounds(), RasterOp::Or);
    clipped.Copy({1, 0}, source, source.Bounds(), RasterOp::Copy);
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "......",
                                           "..fg..",
                                           "..jk..",
                                           "......",
                                           "......",
                                       }));
}

// What copying from a snapshot of the surface gives, pixel by pixel.
Surface CopiedFromSnapshot(const Surface& s, Point to, Rect from, RasterOp op, bool keyed = false) {
    Surface result = s;
    for (int y = from.top; y < from.bottom; ++y) {
        for (int x = from.left; x < from.right; ++x) {
            int tx = to.x + x - from.left;
            int ty = to.y + y - from.top;
            if (!s.Bounds().Contains(x, y) || !s.Bounds().Contains(tx, ty)) continue;
            Pixel in = s.At(x, y);
            Pixel& out = result.Row(ty)[tx];
            if (keyed) {
                if (in != ColourToPixel(kKey)) out = in;
            } else if (op == RasterOp::Copy) {
                out = in;
            } else if (op == RasterOp::Or) {
                out |= in;
            } else {
                out &= in;
            }
        }
    }
    return result;
}

TEST(PainterCopyTest, OverlappingCopiesWithinOneSurfaceReadTheOriginal) {
    const Rect from{2, 2, 7, 6};
    const std::vector<Point> moves{{-2, 0}, {2, 0}, {0, -2}, {0, 2}, {1, 1}, {-1, -1}, {3, -1}, {-3, 1}, {0, 0}};
    for (Point move : moves) {
        Point to{from.left + move.x, from.top + move.y};
        for (int variant = 0; variant < 4; ++variant) {
            Surface s = Numbered(10, 9);
            s.Set(3, 3, ColourToPixel(kKey));
            s.Set(4, 4, ColourToPixel(kKey));
            RasterOp op = variant == 1 ? RasterOp::Or : variant == 2 ? RasterOp::And : RasterOp::Copy;
            Surface expected = CopiedFromSnapshot(s, to, from, op, variant == 3);
            Painter painter(s);
            if (variant == 3) {
                painter.KeyedCopy(to, s, from, kKey);
            } else {
                painter.Copy(to, s, from, op);
            }
            EXPECT_EQ(s.Pixels().size(), expected.Pixels().size());
            EXPECT_TRUE(std::equal(s.Pixels().begin(), s.Pixels().end(), expected.Pixels().begin()))
                << "move " << move.x << "," << move.y << " variant " << variant;
        }
    }
}

TEST(PainterCopyTest, OverlappingCopyOfWholeRowsAcrossTheSurfaceEdges) {
    for (int dy : {-3, -1, 1, 3}) {
        Surface s = Numbered(7, 8);
        Surface expected = CopiedFromSnapshot(s, {0, dy}, s.Bounds(), RasterOp::Copy);
        Painter(s).Copy({0, dy}, s, s.Bounds());
        EXPECT_TRUE(std::equal(s.Pixels().begin(), s.Pixels().end(), expected.Pixels().begin())) << dy;
    }
}

TEST(PainterCopyTest, KeyedCopyKeepsTheDestinationUnderKeyPixels) {
    Surface source(3, 2);
    const Pixel a = 0x00AA0000u, b = 0x0000BB00u, key = ColourToPixel(kKey);
    Pixel values[2][3] = {{a, key, b}, {key, 0xFF000000u | key, a}};  // top byte ignored in the comparison
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) source.Set(x, y, values[y][x]);
    }
    Surface target = Filled(4, 3, kBackground);
    Painter(target).KeyedCopy({1, 1}, source, source.Bounds(), kKey);
    const Legend legend{{'.', kBackground}, {'a', a}, {'b', b}};
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "....",
                                           ".a.b",
                                           "...a",
                                       }));

    // Clipped: only the visible part is considered.
    target = Filled(4, 3, kBackground);
    Painter(target).KeyedCopy({-1, 2}, source, source.Bounds(), kKey);
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           "....",
                                           "....",
                                           ".b..",
                                       }));
}

TEST(PainterCopyTest, CopyRectCapturesWithBlackOutsideTheSource) {
    const Surface source = Numbered(4, 3);
    Surface copy = CopyRect(source, {-1, 2, 2, 4});
    ASSERT_EQ(copy.Width(), 3);
    ASSERT_EQ(copy.Height(), 2);
    EXPECT_EQ(copy.At(0, 0), 0u);
    EXPECT_EQ(copy.At(1, 0), NumberedAt(0, 2));
    EXPECT_EQ(copy.At(2, 0), NumberedAt(1, 2));
    EXPECT_EQ(copy.At(0, 1), 0u);
    EXPECT_EQ(copy.At(1, 1), 0u);

    EXPECT_TRUE(CopyRect(source, {3, 1, 1, 2}).Empty());
    EXPECT_TRUE(CopyRect(source, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}).Empty());
    Surface far = CopyRect(source, {INT_MAX - 2, INT_MIN, INT_MAX, INT_MIN + 1});
    ASSERT_EQ(far.Width(), 2);
    EXPECT_EQ(far.At(0, 0), 0u);
}

// ---------------------------------------------------------------------------
// Stretching

// One row of a stretch of the source row "ABCDEF..." (as many as `from`)
// onto `to` pixels, as letters.
std::string StretchedRow(int from, int to) {
    Surface source(from, 1);
    for (int x = 0; x < from; ++x) source.Set(x, 0, Pixel(x + 1));
    Surface target(to, 1);
    Painter(target).StretchCopy({0, 0, to, 1}, source, {0, 0, from, 1});
    std::string row;
    for (int x = 0; x < to; ++x) row += target.At(x, 0) == 0 ? '.' : static_cast<char>('A' + target.At(x, 0) - 1);
    return row;
}

TEST(PainterStretchTest, SamplesTheSourcePixelUnderEachDestinationCentre) {
    EXPECT_EQ(StretchedRow(3, 6), "AABBCC");
    EXPECT_EQ(StretchedRow(2, 6), "AAABBB");
    EXPECT_EQ(StretchedRow(6, 3), "BDF");
    EXPECT_EQ(StretchedRow(6, 2), "BE");
    EXPECT_EQ(StretchedRow(3, 5), "AABCC");
    EXPECT_EQ(StretchedRow(5, 3), "ACE");
    EXPECT_EQ(StretchedRow(7, 7), "ABCDEFG");
    EXPECT_EQ(StretchedRow(1, 4), "AAAA");
}

TEST(PainterStretchTest, StretchesRowsAndColumnsTogether) {
    // a b c      2x across, 1.5x down.
    // d e f
    Surface source(3, 2);
    const char* names = "abcdef";
    Legend legend{{'.', kBackground}};
    for (int i = 0; i < 6; ++i) {
        source.Set(i % 3, i / 3, Pixel(0x100 * (i + 1)));
        legend[names[i]] = Pixel(0x100 * (i + 1));
    }
    Surface target = Filled(8, 4, kBackground);
    Painter(target).StretchCopy({1, 0, 7, 3}, source, source.Bounds());
    EXPECT_EQ(Picture(target, legend), (std::vector<std::string>{
                                           ".aabbcc.",  // rows sample 0, 1, 1 (centres 1/3, 1, 5/3)
                                           ".ddeeff.",
                                           ".ddeeff.",
                                           "........",
                                       }));

    // Down by 2 in both directions.
    Surface big = Numbered(6, 4);
    Surface small(3, 2);
    Painter(small).StretchCopy(small.Bounds(), big, big.Bounds());
    EXPECT_EQ(small.At(0, 0), NumberedAt(1, 1));
    EXPECT_EQ(small.At(2, 0), NumberedAt(5, 1));
    EXPECT_EQ(small.At(1, 1), NumberedAt(3, 3));
}

TEST(PainterStretchTest, ClippingDoesNotShiftTheSamples) {
    // 3 -> 6 across a destination that starts two pixels off the left.
    Surface source(3, 1);
    for (int x = 0; x < 3; ++x) source.Set(x, 0, Pixel(x + 1));
    Surface target(4, 1);
    Painter(target).StretchCopy({-2, 0, 4, 1}, source, source.Bounds());
    EXPECT_EQ(target.At(0, 0), 2u);
    EXPECT_EQ(target.At(1, 0), 2u);
    EXPECT_EQ(target.At(2, 0), 3u);
    EXPECT_EQ(target.At(3, 0), 3u);

    // The clip rectangle cuts the same way.
    Surface clipped(6, 1);
    Painter painter(clipped);
    painter.SetClip({3, 0, 5, 1});
    painter.StretchCopy({0, 0, 6, 1}, source, source.Bounds());
    EXPECT_EQ(clipped.At(2, 0), 0u);
    EXPECT_EQ(clipped.At(3, 0), 2u);
    EXPECT_EQ(clipped.At(4, 0), 3u);
    EXPECT_EQ(clipped.At(5, 0), 0u);
}

TEST(PainterStretchTest, SamplesOutsideTheSourceLeaveTheDestination) {
    Surface source(2, 1);
    source.Set(0, 0, 1);
    source.Set(1, 0, 2);
    Surface target = Filled(4, 1, kBackground);
    Painter(target).StretchCopy({0, 0, 4, 1}, source, {-1, 0, 3, 1});
    EXPECT_EQ(target.At(0, 0), kBackground);
    EXPECT_EQ(target.At(1, 0), 1u);
    EXPECT_EQ(target.At(2, 0), 2u);
    EXPECT_EQ(target.At(3, 0), kBackground);
}

TEST(PainterStretchTest, MirroredAndExtremeRectangles) {
    const Surface source = Numbered(2, 2);
    Surface target = Filled(5, 4, kBackground);
    Painter painter(target);
    painter.StretchCopy({4, 0, 0, 4}, source, source.Bounds());
    painter.StretchCopy({0, 0, 4, 4}, source, {2, 0, 0, 2});
    painter.StretchCopy({0, 0, 4, 4}, source, {INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX});
    painter.StretchCopy({0, 0, 4, 4}, Surface{}, {0, 0, 4, 4});
    for (Pixel p : target.Pixels()) EXPECT_EQ(p, kBackground);

    // The surface lies just right of and below the middle of a destination
    // 2^32 - 1 pixels across, so it all samples the source's last pixel.
    painter.StretchCopy({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, source, source.Bounds());
    for (Pixel p : target.Pixels()) EXPECT_EQ(p, NumberedAt(1, 1));

    // A huge source squeezed into four pixels: samples far outside it.
    target = Filled(4, 1, kBackground);
    Painter(target).StretchCopy({0, 0, 4, 1}, source, {INT_MIN, 0, INT_MAX, 1});
    for (Pixel p : target.Pixels()) EXPECT_EQ(p, kBackground);
}

TEST(PainterStretchTest, StretchWithinOneSurfaceReadsTheOriginal) {
    Surface s = Numbered(8, 6);
    Surface original = s;
    Painter(s).StretchCopy({1, 1, 7, 5}, s, {0, 0, 3, 2});
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 7; ++x) EXPECT_EQ(s.At(x, y), original.At((x - 1) / 2, (y - 1) / 2)) << x << "," << y;
    }
    EXPECT_EQ(s.At(0, 0), original.At(0, 0));
    EXPECT_EQ(s.At(7, 5), original.At(7, 5));
}

// ---------------------------------------------------------------------------
// Lines

std::vector<std::string> DrawnLine(int width, int height, Point from, Point to, Pen pen = {PenStyle::Solid, 1, kRed}) {
    Surface s(width, height);
    Painter(s).Line(from, to, pen);
    return Picture(s, kRedOnBlack);
}

TEST(PainterLineTest, AxisLinesLeaveOutTheEndPoint) {
    EXPECT_EQ(DrawnLine(7, 3, {1, 1}, {5, 1}), (std::vector<std::string>{
                                                   ".......",
                                                   ".####..",
                                                   ".......",
                                               }));
    EXPECT_EQ(DrawnLine(7, 3, {5, 1}, {1, 1}), (std::vector<std::string>{
                                                   ".......",
                                                   "..####.",
                                                   ".......",
                                               }));
    EXPECT_EQ(DrawnLine(3, 5, {1, 0}, {1, 3}), (std::vector<std::string>{
                                                   ".#.",
                                                   ".#.",
                                                   ".#.",
                                                   "...",
                                                   "...",
                                               }));
    EXPECT_EQ(DrawnLine(3, 5, {1, 4}, {1, 0}), (std::vector<std::string>{
                                                   "...",
                                                   ".#.",
                                                   ".#.",
                                                   ".#.",
                                                   ".#.",
                                               }));
    EXPECT_EQ(DrawnLine(3, 2, {0, 0}, {1, 0}), (std::vector<std::string>{"#..", "..."}));
    EXPECT_EQ(DrawnLine(3, 2, {1, 1}, {1, 1}), (std::vector<std::string>{"...", "..."}));
}

TEST(PainterLineTest, SlopedLines) {
    EXPECT_EQ(DrawnLine(5, 5, {0, 0}, {4, 4}), (std::vector<std::string>{
                                                   "#....",
                                                   ".#...",
                                                   "..#..",
                                                   "...#.",
                                                   ".....",
                                               }));
    EXPECT_EQ(DrawnLine(5, 5, {4, 0}, {0, 4}), (std::vector<std::string>{
                                                   "....#",
                                                   "...#.",
                                                   "..#..",
                                                   ".#...",
                                                   ".....",
                                               }));
    // Shallow: y = x / 3.
    EXPECT_EQ(DrawnLine(7, 3, {0, 0}, {6, 2}), (std::vector<std::string>{
                                                   "##.....",
                                                   "..###..",
                                                   ".....#.",
                                               }));
    // Steep, drawn upwards: x = (6 - y) / 3 measured from the bottom.
    EXPECT_EQ(DrawnLine(3, 7, {0, 6}, {2, 0}), (std::vector<std::string>{
                                                   "...",
                                                   "..#",
                                                   ".#.",
                                                   ".#.",
                                                   ".#.",
                                                   "#..",
                                                   "#..",
                                               }));
}

TEST(PainterLineTest, HalfwayPointsGoToTheSmallerCoordinateEitherWay) {
    // y = x / 2 is exactly between two rows at x = 1 and x = 3.
    EXPECT_EQ(DrawnLine(5, 3, {0, 0}, {4, 2}), (std::vector<std::string>{
                                                   "##...",
                                                   "..##.",
                                                   ".....",
                                               }));
    EXPECT_EQ(DrawnLine(5, 3, {4, 2}, {0, 0}), (std::vector<std::string>{
                                                   ".#...",
                                                   "..##.",
                                                   "....#",
                                               }));
    // The same with the axes swapped, drawn upwards from the right.
    EXPECT_EQ(DrawnLine(3, 5, {2, 4}, {0, 0}), (std::vector<std::string>{
                                                   "...",
                                                   "#..",
                                                   ".#.",
                                                   ".#.",
                                                   "..#",
                                               }));
}

TEST(PainterLineTest, ReversedLinesCoverTheSamePixelsInEveryOctant) {
    const Point centre{10, 10};
    for (int dx = -9; dx <= 9; ++dx) {
        for (int dy = -9; dy <= 9; ++dy) {
            if (dx == 0 && dy == 0) continue;
            Point end{centre.x + dx, centre.y + dy};
            Surface forwards(21, 21);
            Surface backwards(21, 21);
            Painter(forwards).Line(centre, end, Pen{PenStyle::Solid, 1, kRed});
            Painter(forwards).SetPixel(end, kRed);
            Painter(backwards).Line(end, centre, Pen{PenStyle::Solid, 1, kRed});
            Painter(backwards).SetPixel(centre, kRed);
            EXPECT_EQ(Picture(forwards, kRedOnBlack), Picture(backwards, kRedOnBlack)) << dx << "," << dy;
            // One pixel per step of the longer axis, ends included.
            int count = 0;
            for (Pixel p : forwards.Pixels()) count += p != 0;
            EXPECT_EQ(count, std::max(std::abs(dx), std::abs(dy)) + 1) << dx << "," << dy;
        }
    }
}

TEST(PainterLineTest, PenStylePatternsOnAHorizontalLine) {
    auto styled = [](PenStyle style, Point from = {0, 0}, Point to = {30, 0}) {
        return DrawnLine(32, 1, from, to, Pen{style, 1, kRed})[0];
    };
    EXPECT_EQ(styled(PenStyle::Solid), "##############################..");
    EXPECT_EQ(styled(PenStyle::Dash), "##################......######..");
    EXPECT_EQ(styled(PenStyle::Dot), "###...###...###...###...###.....");
    EXPECT_EQ(styled(PenStyle::DashDot), "#########......###......######..");
    EXPECT_EQ(styled(PenStyle::DashDotDot), "#########...###...###...######..");
    EXPECT_EQ(styled(PenStyle::Null), "................................");
    // Drawn from the right, the pattern starts at the right.
    EXPECT_EQ(styled(PenStyle::Dot, {31, 0}, {0, 0}), ".#...###...###...###...###...###");
    // Unknown styles draw solid.
    EXPECT_EQ(styled(static_cast<PenStyle>(6), {0, 0}, {4, 0}), "####............................");
}

TEST(PainterLineTest, PatternPhaseIsKeptWhenTheStartIsClipped) {
    Surface s(12, 2);
    Painter painter(s);
    painter.SetClip({4, 0, 12, 2});
    painter.Line({0, 0}, {12, 0}, Pen{PenStyle::Dot, 1, kRed});
    painter.Line({-13, 1}, {12, 1}, Pen{PenStyle::DashDot, 1, kRed});  // the first dot ends at x = 4
    EXPECT_EQ(Picture(s, kRedOnBlack), (std::vector<std::string>{
                                           "......###...",
                                           "....#......#",
                                       }));
}

TEST(PainterLineTest, DiagonalPatternCountsAlongTheLongerAxis) {
    EXPECT_EQ(DrawnLine(8, 8, {0, 0}, {8, 8}, Pen{PenStyle::Dot, 1, kRed}), (std::vector<std::string>{
                                                                                "#.......",
                                                                                ".#......",
                                                                                "..#.....",
                                                                                "........",
                                                                                "........",
                                                                                "........",
                                                                                "......#.",
                                                                                ".......#",
                                                                            }));
}

TEST(PainterLineTest, WidePensAreSolidWithRoundCaps) {
    // Width 3: a radius of 1.5 around the segment; caps reach one pixel
    // past both ends.
    EXPECT_EQ(DrawnLine(11, 7, {2, 3}, {8, 3}, Pen{PenStyle::Dash, 3, kRed}), (std::vector<std::string>{
                                                                                  "...........",
                                                                                  "...........",
                                                                                  ".#########.",
                                                                                  ".#########.",
                                                                                  ".#########.",
                                                                                  "...........",
                                                                                  "...........",
                                                                              }));
    EXPECT_EQ(DrawnLine(5, 6, {2, 1}, {2, 3}, Pen{PenStyle::Solid, 3, kRed}), (std::vector<std::string>{
                                                                                  ".###.",
                                                                                  ".###.",
                                                                                  ".###.",
                                                                                  ".###.",
                                                                                  ".###.",
                                                                                  ".....",
                                                                              }));
    // Width 2 sits on the line and the row above it.
    EXPECT_EQ(DrawnLine(10, 5, {2, 2}, {7, 2}, Pen{PenStyle::Solid, 2, kRed}), (std::vector<std::string>{
                                                                                   "..........",
                                                                                   ".#######..",
                                                                                   ".#######..",
                                                                                   "..........",
                                                                                   "..........",
                                                                               }));
    // Width 3 on a slope: every pixel centre within 1.5 of the segment.
    EXPECT_EQ(DrawnLine(10, 8, {2, 2}, {6, 5}, Pen{PenStyle::Solid, 3, kRed}), (std::vector<std::string>{
                                                                                   "..........",
                                                                                   ".###......",
                                                                                   ".####.....",
                                                                                   ".#####....",
                                                                                   "...#####..",
                                                                                   "....####..",
                                                                                   ".....###..",
                                                                                   "..........",
                                                                               }));
}

TEST(PainterLineTest, LinesEnteringAndLeavingThroughTheSides) {
    EXPECT_EQ(DrawnLine(8, 4, {0, -3}, {8, 5}), (std::vector<std::string>{
                                                   "...#....",
                                                   "....#...",
                                                   ".....#..",
                                                   "......#.",
                                               }));
    EXPECT_EQ(DrawnLine(8, 4, {7, 5}, {-1, -3}), (std::vector<std::string>{
                                                    "..#.....",
                                                    "...#....",
                                                    "....#...",
                                                    ".....#..",
                                                }));
    // Steep, from the left: x = -2 + y / 2.
    EXPECT_EQ(DrawnLine(3, 8, {-2, 0}, {2, 8}), (std::vector<std::string>{
                                                   "...",
                                                   "...",
                                                   "...",
                                                   "...",
                                                   "#..",
                                                   "#..",
                                                   ".#.",
                                                   ".#.",
                                               }));
}

TEST(PainterLineTest, ExtremeEndPointsAreClippedWithoutOverflow) {
    // y = x through the surface.
    EXPECT_EQ(DrawnLine(4, 4, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}), (std::vector<std::string>{
                                                                          "#...",
                                                                          ".#..",
                                                                          "..#.",
                                                                          "...#",
                                                                      }));
    EXPECT_EQ(DrawnLine(4, 3, {INT_MAX, 1}, {INT_MIN, 1}), (std::vector<std::string>{
                                                              "....",
                                                              "####",
                                                              "....",
                                                          }));
    EXPECT_EQ(DrawnLine(3, 3, {1, INT_MIN}, {1, INT_MAX}), (std::vector<std::string>{
                                                              ".#.",
                                                              ".#.",
                                                              ".#.",
                                                          }));
    EXPECT_EQ(DrawnLine(6, 5, {INT_MIN, 2}, {INT_MAX, 2}, Pen{PenStyle::Solid, 3, kRed}),
              (std::vector<std::string>{
                  "......",
                  "######",
                  "######",
                  "######",
                  "......",
              }));
    // A line far outside, and an enormous pen.
    EXPECT_EQ(DrawnLine(3, 2, {INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}), (std::vector<std::string>{"...", "..."}));
    EXPECT_EQ(DrawnLine(3, 2, {0, 0}, {1, 1}, Pen{PenStyle::Solid, INT_MAX, kRed}),
              (std::vector<std::string>{"###", "###"}));
}

// ---------------------------------------------------------------------------
// Raised edge

const Legend kEdgeLegend{{'.', 0},
                         {'L', ColourToPixel(kEdgeLight)},
                         {'H', ColourToPixel(kEdgeHighlight)},
                         {'S', ColourToPixel(kEdgeShadow)},
                         {'D', ColourToPixel(kEdgeDarkShadow)}};

TEST(PainterEdgeTest, RaisedEdgeRings) {
    Surface s(7, 6);
    Painter(s).RaisedEdge({0, 0, 6, 5});
    EXPECT_EQ(Picture(s, kEdgeLegend), (std::vector<std::string>{
                                           "LLLLLD.",
                                           "LHHHSD.",
                                           "LH..SD.",
                                           "LSSSSD.",
                                           "DDDDDD.",
                                           ".......",
                                       }));
    EXPECT_EQ(s.At(0, 0), 0x00E3E3E3u);
    EXPECT_EQ(s.At(5, 4), 0x00404040u);
    EXPECT_EQ(s.At(1, 1), 0x00FFFFFFu);
    EXPECT_EQ(s.At(4, 3), 0x00808080u);
}

TEST(PainterEdgeTest, RaisedEdgeClippedAndTiny) {
    Surface s(6, 5);
    Painter(s).RaisedEdge({-1, -1, 5, 4});
    EXPECT_EQ(Picture(s, kEdgeLegend), (std::vector<std::string>{
                                           "HHHSD.",
                                           "H..SD.",
                                           "SSSSD.",
                                           "DDDDD.",
                                           "......",
                                       }));

    Surface tiny(3, 3);
    Painter painter(tiny);
    painter.RaisedEdge({0, 0, 2, 2});
    painter.RaisedEdge({2, 2, 3, 3});
    painter.RaisedEdge({2, 0, 1, 1});  // mirrored: nothing
    EXPECT_EQ(Picture(tiny, kEdgeLegend), (std::vector<std::string>{
                                              "LD.",
                                              "DD.",
                                              "..D",
                                          }));

    Surface whole(4, 3);
    Painter(whole).RaisedEdge({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    for (Pixel p : whole.Pixels()) EXPECT_EQ(p, 0u);
    Painter(whole).RaisedEdge({INT_MIN, 0, 2, INT_MAX});
    EXPECT_EQ(Picture(whole, kEdgeLegend), (std::vector<std::string>{
                                               "LD..",
                                               "SD..",
                                               "SD..",
                                           }));
}

// ---------------------------------------------------------------------------
// Every operation with awkward coordinates: nothing changes outside the clip
// rectangle (and under the sanitizers nothing is touched outside the
// surface).

TEST(PainterClippingTest, NoOperationWritesOutsideTheClip) {
    const std::vector<int> coordinates{INT_MIN, INT_MIN + 1, -1'000'000'000, -7, -1, 0, 3,
                                       6,       9,           1'000'000'000,  INT_MAX - 1, INT_MAX};
    const Surface source = Numbered(5, 4);
    const Rect clip{2, 1, 6, 5};
    const Surface original = Filled(8, 7, kBackground);
    int checked = 0;
    auto outsideUnchanged = [&](const Surface& s) {
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
                if (!clip.Contains(x, y) && s.At(x, y) != kBackground) return false;
            }
        }
        return true;
    };
    for (size_t i = 0; i < coordinates.size(); ++i) {
        for (size_t j = 0; j < coordinates.size(); ++j) {
            int a = coordinates[i];
            int b = coordinates[j];
            int c = coordinates[(i + j + 3) % coordinates.size()];
            int d = coordinates[(i * 5 + j + 1) % coordinates.size()];
            Rect rect{a, b, c, d};
            Surface s = original;
            Painter painter(s);
            painter.SetClip(clip);
            painter.Fill(rect, kRed);
            painter.Copy({a, b}, source, {c, d, a, b});
            painter.Copy({a, d}, source, {-2, -2, 9, 9}, RasterOp::Or);
            painter.Copy({c, b}, source, {b, a, d, c}, RasterOp::And);
            painter.KeyedCopy({b, c}, source, {a, a, d, d}, kKey);
            painter.StretchCopy(rect, source, {c, d, a, b});
            painter.StretchCopy({a, b, 7, 7}, source, source.Bounds());
            painter.StretchCopy({0, 0, 8, 7}, source, rect);
            for (int width : {1, 2, 3, 9}) {
                painter.Line({a, b}, {c, d}, Pen{PenStyle::DashDot, width, kRed});
                painter.Line({a, 3}, {c, 4}, Pen{PenStyle::Solid, width, kRed});
                painter.Line({3, b}, {4, d}, Pen{PenStyle::Dot, width, kRed});
            }
            painter.RaisedEdge(rect);
            painter.SetPixel({a, b}, kRed);
            painter.Copy({a, b}, s, {c, d, a, b});
            painter.Copy({1, 2}, s, rect);
            painter.KeyedCopy({a, b}, s, {0, 0, 8, 7}, kKey);
            painter.StretchCopy(rect, s, {1, 1, 7, 6});
            ASSERT_TRUE(outsideUnchanged(s)) << a << " " << b << " " << c << " " << d;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 144);
}

}  // namespace
}  // namespace korv::platform
