#include "platform/font.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/surface.h"
#include "platform/text_drawing.h"
#include "platform/text_encoding.h"

namespace korv::platform {
namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kNavy = Rgb(0, 0, 128);
constexpr Pixel kWhitePixel = ColourToPixel(kWhite);
constexpr Pixel kNavyPixel = ColourToPixel(kNavy);

std::shared_ptr<Font> MakeFont(const std::string& face, int height, int weight = 400, bool italic = false) {
    FontDescription d;
    d.faceName = face;
    d.height = height;
    d.weight = weight;
    d.italic = italic;
    return Font::Create(d);
}

// A pattern no text colour below uses, so untouched pixels are recognisable.
Pixel PatternAt(int x, int y) { return 0x00102030u + static_cast<Pixel>((x * 7 + y * 13) % 64); }

void FillPattern(Surface& s) {
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) s.Set(x, y, PatternAt(x, y));
}

// Bounding box of the pixels equal to `p`; empty when there are none.
Rect BoxOf(const Surface& s, Pixel p) {
    Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (s.At(x, y) != p) continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1);
            box.bottom = std::max(box.bottom, y + 1);
        }
    }
    return box.left == INT_MAX ? Rect{} : box;
}

int CountOf(const Surface& s, Pixel p) {
    int n = 0;
    for (Pixel q : s.Pixels()) n += q == p;
    return n;
}

bool RowIsAll(const Surface& s, int y, int left, int right, Pixel p) {
    for (int x = left; x < right; ++x)
        if (s.At(x, y) != p) return false;
    return true;
}

// Draws `text` in white on black, transparent, at the top-left of a surface.
Surface Render(const Font& font, std::string_view text, int width = 200, int height = 80) {
    Surface s(width, height);
    DrawText(s, font, text, s.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Transparent);
    return s;
}

// --- Face mapping --------------------------------------------------------

TEST(FontMappingTest, WindowsFacesUseMetricCompatibleInstalledFaces) {
    const struct {
        const char* face;
        const char* family;
    } cases[] = {
        {"Arial", "Liberation Sans"},      {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"}, {"Verdana", "DejaVu Sans"},
        {"Tahoma", "DejaVu Sans"},          {"  arial ", "Liberation Sans"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face);
        auto font = MakeFont(c.face, -16);
        EXPECT_EQ(font->FamilyName(), c.family);
        EXPECT_TRUE(std::filesystem::is_regular_file(font->FilePath())) << font->FilePath();
    }
    // Liberation Mono stands in for a monospaced face: every character is as wide.
    auto mono = MakeFont("Courier New", -16);
    EXPECT_EQ(TextWidth8(*mono, "iiii"), TextWidth8(*mono, "WWWW"));
}

TEST(FontMappingTest, BoldAndItalicPickTheFacesStyles) {
    auto bold = MakeFont("Arial", -16, 700);
    EXPECT_EQ(bold->FamilyName(), "Liberation Sans");
    EXPECT_EQ(bold->StyleName(), "Bold");
    EXPECT_FALSE(bold->SyntheticBold());

    auto boldItalic = MakeFont("Times New Roman", -16, 700, true);
    EXPECT_EQ(boldItalic->StyleName(), "Bold Italic");
    EXPECT_FALSE(boldItalic->SyntheticBold());
    EXPECT_FALSE(boldItalic->SyntheticItalic());

    // 600 is the lowest bold weight.
    EXPECT_EQ(MakeFont("Arial", -16, 600)->StyleName(), "Bold");
    EXPECT_EQ(MakeFont("Arial", -16, 599)->StyleName(), "Regular");
}

TEST(FontMappingTest, UnknownOrOddFaceNamesStillGiveAUsableFont) {
    for (const std::string& face : {std::string("No Such Face 4711"), std::string(),
                                   std::string("\xCF\xF0\xE8\xE2\xE5\xF2"),  // cp1251, not UTF-8
                                   std::string(40, 'x'), std::string("Arial\0junk", 10)}) {
        SCOPED_TRACE(face);
        auto font = MakeFont(face, -18);
        ASSERT_NE(font, nullptr);
        EXPECT_TRUE(std::filesystem::is_regular_file(font->FilePath())) << font->FilePath();
        EXPECT_GT(font->Height(), 0);
        EXPECT_GT(TextWidth8(*font, "Hello"), 0);
        EXPECT_GT(CountOf(Render(*font, "Hello"), kWhitePixel), 0);
    }
    // The name ends at its terminator.
    EXPECT_EQ(MakeFont(std::string("Arial\0junk", 10), -18)->FamilyName(), "Liberation Sans");
}

TEST(FontMappingTest, EqualDescriptionsShareOneFont) {
    EXPECT_EQ(MakeFont("Arial", -17), MakeFont("Arial", -17));
    EXPECT_NE(MakeFont("Arial", -17), MakeFont("Arial", -18));
}

// --- Sizes ---------------------------------------------------------------

TEST(FontHeightTest, NegativeIsEmHeightPositiveIsCellHeight) {
    auto em20 = MakeFont("Arial", -20);
    auto cell20 = MakeFont("Arial", 20);

    EXPECT_DOUBLE_EQ(em20->EmHeight(), 20.0);
    EXPECT_EQ(em20->Height(), em20->Ascent() + em20->Descent());
    EXPECT_GE(em20->Height(), 21);  // the cell holds accents above the em
    EXPECT_LE(em20->Height(), 26);
    EXPECT_GT(em20->Ascent(), em20->Descent());
    EXPECT_GT(em20->Descent(), 0);

    EXPECT_NEAR(cell20->Height(), 20, 1);
    EXPECT_LT(cell20->EmHeight(), 20.0);
    EXPECT_LT(cell20->Height(), em20->Height());

    // A capital letter's ink follows the em: Arial's cap height is 0.716 em.
    const Rect capEm = BoxOf(Render(*em20, "H"), kWhitePixel);
    const Rect capCell = BoxOf(Render(*cell20, "H"), kWhitePixel);
    EXPECT_NEAR(capEm.Height(), 14, 1);
    EXPECT_LT(capCell.Height(), capEm.Height());
    // The baseline lies at the ascent: the capital stands on it.
    EXPECT_EQ(capEm.bottom, em20->Ascent());
}

TEST(FontHeightTest, ZeroIsTheDefaultCellHeight) {
    auto zero = MakeFont("Arial", 0);
    EXPECT_EQ(zero->Height(), kDefaultFontCellHeight);
    EXPECT_DOUBLE_EQ(zero->EmHeight(), MakeFont("Arial", kDefaultFontCellHeight)->EmHeight());
}

TEST(FontHeightTest, HeightsAreLimited) {
    for (int32_t h : {INT32_MIN, INT32_MAX, -1000000}) {
        auto font = MakeFont("Arial", h);
        EXPECT_GT(font->Height(), 0);
        EXPECT_LE(font->Height(), 2 * kMaxFontHeight);
    }
    auto tiny = MakeFont("Arial", -1);
    EXPECT_GE(tiny->Height(), 1);
    Render(*tiny, "tiny");
}

TEST(FontHeightTest, WidthScalesHorizontally) {
    FontDescription d;
    d.faceName = "Arial";
    d.height = -20;
    auto natural = Font::Create(d);
    d.width = 20;  // about twice the natural average width of 9 px
    auto wide = Font::Create(d);
    d.width = -20;  // the sign does not count
    auto wideToo = Font::Create(d);

    EXPECT_EQ(wide->Height(), natural->Height());
    EXPECT_GT(TextWidth8(*wide, "Hello"), TextWidth8(*natural, "Hello") * 3 / 2);
    EXPECT_EQ(TextWidth8(*wideToo, "Hello"), TextWidth8(*wide, "Hello"));
    EXPECT_EQ(BoxOf(Render(*wide, "H"), kWhitePixel).Height(), BoxOf(Render(*natural, "H"), kWhitePixel).Height());
}

// --- Rendering -----------------------------------------------------------

TEST(FontRenderingTest, GlyphsAreMonochromeInBothModes) {
    auto font = MakeFont("Arial", -40);
    const Rect rect{5, 3, 95, 60};
    for (BackgroundMode mode : {BackgroundMode::Opaque, BackgroundMode::Transparent}) {
        SCOPED_TRACE(static_cast<int>(mode));
        Surface s(100, 64);
        FillPattern(s);
        DrawText(s, *font, "W", rect, TextFormat::Left, kWhite, kNavy, mode);

        const int width = TextWidth8(*font, "W");
        const Rect box = Rect::FromSize(rect.left, rect.top, width, font->Height());
        int ink = 0;
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
                const Pixel p = s.At(x, y);
                if (p == kWhitePixel) {
                    ++ink;
                } else if (mode == BackgroundMode::Opaque && box.Contains(x, y)) {
                    ASSERT_EQ(p, kNavyPixel) << x << "," << y;
                } else {
                    ASSERT_EQ(p, PatternAt(x, y)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(ink, 100);
    }
}

TEST(FontRenderingTest, TransparentAndOpaqueInkIsTheSame) {
    auto font = MakeFont("Times New Roman", -24);
    Surface transparent(120, 40);
    Surface opaque(120, 40);
    DrawText(transparent, *font, "Quag", transparent.Bounds(), TextFormat::Left, kWhite, kNavy,
             BackgroundMode::Transparent);
    DrawText(opaque, *font, "Quag", opaque.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) ASSERT_EQ(transparent.At(x, y) == kWhitePixel, opaque.At(x, y) == kWhitePixel);
}

TEST(FontRenderingTest, DrawingMarksTheSurfaceChanged) {
    auto font = MakeFont("Arial", -12);
    Surface s(50, 20);
    const uint64_t before = s.Generation();
    DrawText(s, *font, "x", s.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Transparent);
    EXPECT_NE(s.Generation(), before);
}

// --- Layout --------------------------------------------------------------

TEST(TextAlignmentTest, LinesArePlacedLeftCentredOrRight) {
    auto font = MakeFont("Arial", -20);
    const Rect rect{10, 5, 191, 45};
    const int width = TextWidth8(*font, "Hello");
    const struct {
        TextFormat format;
        int left;
    } cases[] = {
        {TextFormat::Left, rect.left},
        {TextFormat::Centre, rect.left + (rect.Width() - width) / 2},
        {TextFormat::Right, rect.right - width},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        Surface s(200, 50);
        DrawText(s, *font, "Hello", rect, c.format, kWhite, kNavy, BackgroundMode::Opaque);
        // The background box is the line's extent; the ink lies within it.
        const Rect box = BoxOf(s, kNavyPixel);
        EXPECT_EQ(box, Rect::FromSize(c.left, rect.top, width, font->Height()));
        const Rect ink = BoxOf(s, kWhitePixel);
        EXPECT_GE(ink.left, c.left);
        EXPECT_LE(ink.left, c.left + 3);
        EXPECT_LE(ink.right, c.left + width);
        EXPECT_GE(ink.right, c.left + width - 3);
    }
}

TEST(TextAlignmentTest, LinesStackByTheCellHeight) {
    auto font = MakeFont("Verdana", -15);
    const int h = font->Height();
    Surface one = Render(*font, "Ag");
    Surface two = Render(*font, "Ag\nAg");
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < one.Width(); ++x) {
            ASSERT_EQ(two.At(x, y), one.At(x, y));
            ASSERT_EQ(two.At(x, y + h), one.At(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(BoxOf(two, kWhitePixel).bottom, BoxOf(one, kWhitePixel).bottom + h);
}

TEST(TextAlignmentTest, EachLineIsAlignedOnItsOwn) {
    auto font = MakeFont("Arial", -16);
    Surface s(200, 60);
    DrawText(s, *font, "W\nWWWW", s.Bounds(), TextFormat::Right, kWhite, kNavy, BackgroundMode::Opaque);
    const int h = font->Height();
    EXPECT_EQ(BoxOf(s, kNavyPixel).bottom, 2 * h);
    // Each line's box ends at the right edge; the short line's is narrower.
    for (int line = 0; line < 2; ++line) {
        const int y = line * h + h - 1;  // the line's bottom row has no ink
        const int width = TextWidth8(*font, line == 0 ? "W" : "WWWW");
        EXPECT_TRUE(RowIsAll(s, y, 200 - width, 200, kNavyPixel)) << line;
        EXPECT_EQ(s.At(200 - width - 1, y), 0u) << line;
    }
}

TEST(TextAlignmentTest, CarriageReturnBeforeLineFeedIsNotDrawn) {
    auto font = MakeFont("Arial", -20);
    Surface crlf(120, 60);
    Surface lf(120, 60);
    DrawText(crlf, *font, "A\r\nB", crlf.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque);
    DrawText(lf, *font, "A\nB", lf.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque);
    EXPECT_EQ(BoxOf(crlf, kNavyPixel).Width(), std::max(TextWidth8(*font, "A"), TextWidth8(*font, "B")));
    EXPECT_TRUE(std::equal(crlf.Pixels().begin(), crlf.Pixels().end(), lf.Pixels().begin()));

    // A final line feed adds nothing.
    Surface trailing(120, 60);
    DrawText(trailing, *font, "A\r\nB\r\n", trailing.Bounds(), TextFormat::Left, kWhite, kNavy,
             BackgroundMode::Opaque);
    EXPECT_TRUE(std::equal(trailing.Pixels().begin(), trailing.Pixels().end(), lf.Pixels().begin()));
}

TEST(TextAlignmentTest, MeasuredExtentIsOneLine) {
    auto font = MakeFont("Arial", -20);
    EXPECT_EQ(MeasureTextExtent(*font, "Hello", 0), (Size{TextWidth8(*font, "Hello"), font->Height()}));
    EXPECT_EQ(MeasureTextExtent(*font, "", 0), (Size{0, font->Height()}));
    EXPECT_EQ(TextWidth8(*font, "Hello"), TextWidth8(*font, "He") + TextWidth8(*font, "llo"));
}

// --- Styles --------------------------------------------------------------

TEST(FontStyleTest, BoldIsHeavier) {
    auto regular = MakeFont("Arial", -20);
    auto bold = MakeFont("Arial", -20, 700);
    EXPECT_GT(TextWidth8(*bold, "Hello"), TextWidth8(*regular, "Hello"));
    EXPECT_GT(CountOf(Render(*bold, "Hello"), kWhitePixel), CountOf(Render(*regular, "Hello"), kWhitePixel) * 6 / 5);
}

// Finds a face among `families` that lacks the style, so the renderer makes it up.
std::shared_ptr<Font> FontWithSyntheticStyle(bool bold, std::string& family) {
    for (const char* candidate : {"DejaVu Sans", "DejaVu Math TeX Gyre", "Noto Mono", "Noto Sans Mono",
                                  "DejaVu Serif", "DejaVu Sans Mono"}) {
        auto font = MakeFont(candidate, -30, bold ? 700 : 400, !bold);
        if (font->FamilyName() == candidate && (bold ? font->SyntheticBold() : font->SyntheticItalic())) {
            family = candidate;
            return font;
        }
    }
    return nullptr;
}

TEST(FontStyleTest, SyntheticBoldWidensStrokesAndAdvances) {
    std::string family;
    auto bold = FontWithSyntheticStyle(true, family);
    if (!bold) GTEST_SKIP() << "every installed candidate face has a bold style";
    auto regular = MakeFont(family, -30);
    const int strength = TextWidth8(*bold, "l") - TextWidth8(*regular, "l");
    EXPECT_GE(strength, 1);
    EXPECT_EQ(TextWidth8(*bold, "llll"), TextWidth8(*regular, "llll") + 4 * strength);
    // The stem of "l" is thicker by the same amount.
    const Rect boldStem = BoxOf(Render(*bold, "l"), kWhitePixel);
    const Rect stem = BoxOf(Render(*regular, "l"), kWhitePixel);
    // (Edges off the pixel grid may round to one pixel more.)
    EXPECT_GE(boldStem.Width(), stem.Width() + strength);
    EXPECT_LE(boldStem.Width(), stem.Width() + strength + 1);
    EXPECT_EQ(boldStem.left, stem.left);
    EXPECT_EQ(boldStem.bottom, stem.bottom);
}

TEST(FontStyleTest, ItalicSlantsToTheRight) {
    // The leftmost ink of a vertical stem moves right from bottom to top.
    const auto slant = [](const Font& font) {
        const Surface s = Render(font, "l");
        const Rect box = BoxOf(s, kWhitePixel);
        const auto leftmost = [&](int y) {
            for (int x = 0; x < s.Width(); ++x)
                if (s.At(x, y) == kWhitePixel) return x;
            return -1;
        };
        return leftmost(box.top) - leftmost(box.bottom - 1);
    };
    EXPECT_EQ(slant(*MakeFont("Arial", -30)), 0);
    EXPECT_GE(slant(*MakeFont("Arial", -30, 400, true)), 3);  // the face's own italic

    std::string family;
    auto italic = FontWithSyntheticStyle(false, family);
    if (!italic) GTEST_SKIP() << "every installed candidate face has an italic style";
    EXPECT_EQ(slant(*MakeFont(family, -30)), 0);
    EXPECT_GE(slant(*italic), 3) << family;
    EXPECT_EQ(TextWidth8(*italic, "Hello"), TextWidth8(*MakeFont(family, -30), "Hello"));
}

TEST(FontStyleTest, UnderlineAndStrikeOutRunTheTextWidth) {
    FontDescription d;
    d.faceName = "Arial";
    d.height = -24;
    auto plain = Font::Create(d);
    d.underline = true;
    auto underlined = Font::Create(d);
    d.underline = false;
    d.strikeOut = true;
    auto struck = Font::Create(d);

    const std::string text = "ab cd";
    const int width = TextWidth8(*plain, text);
    const int baseline = plain->Ascent();
    const Surface base = Render(*plain, text);

    // Rows full of ink across the text width that the plain text lacks.
    const auto newFullRows = [&](const Surface& s) {
        std::vector<int> rows;
        for (int y = 0; y < s.Height(); ++y)
            if (RowIsAll(s, y, 0, width, kWhitePixel) && !RowIsAll(base, y, 0, width, kWhitePixel)) rows.push_back(y);
        return rows;
    };
    const Surface u = Render(*underlined, text);
    const std::vector<int> underRows = newFullRows(u);
    ASSERT_FALSE(underRows.empty());
    EXPECT_GE(underRows.front(), baseline);
    EXPECT_LT(underRows.back(), plain->Height());
    EXPECT_EQ(static_cast<int>(underRows.size()), underlined->UnderlineLine().thickness);
    EXPECT_EQ(u.At(width, underRows.front()), 0u);  // it stops at the text's end

    const Surface so = Render(*struck, text);
    const std::vector<int> strikeRows = newFullRows(so);
    ASSERT_FALSE(strikeRows.empty());
    // Through the middle of the small letters: below their top, above the baseline.
    const int xTop = BoxOf(Render(*plain, "x"), kWhitePixel).top;
    EXPECT_GT(strikeRows.front(), xTop);
    EXPECT_LT(strikeRows.back(), baseline - 2);
    EXPECT_EQ(so.At(width, strikeRows.front()), 0u);

    // Both lines are in the text colour in opaque mode too, within the box.
    Surface opaque(200, 80);
    DrawText(opaque, *underlined, text, opaque.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque);
    EXPECT_TRUE(RowIsAll(opaque, underRows.front(), 0, width, kWhitePixel));
}

// --- Encoding ------------------------------------------------------------

TEST(TextEncodingTest, CodePageTextDecodesThroughTheCharset) {
    EXPECT_EQ(DecodeText("\xE9", kAnsiCharSet), U"\u00E9");
    EXPECT_EQ(DecodeText("\x8A", kEastEuropeCharSet), U"\u0160");
    EXPECT_EQ(DecodeText("\x8A", kAnsiCharSet), U"\u0160");
    EXPECT_EQ(DecodeText("\x80", kAnsiCharSet), U"\u20AC");
    EXPECT_EQ(DecodeText("\xC0\xFF", kRussianCharSet), U"\u0410\u044F");
    EXPECT_EQ(DecodeText("\xC1\xF9", kGreekCharSet), U"\u0391\u03C9");
    EXPECT_EQ(DecodeText("\xD0\xFD", kTurkishCharSet), U"\u011E\u0131");
    EXPECT_EQ(DecodeText("\xC0\xDE", kBalticCharSet), U"\u0104\u017D");
    EXPECT_EQ(DecodeText("\xB9\xE6", kEastEuropeCharSet), U"\u0105\u0107");
    // Other charsets read as cp1252.
    EXPECT_EQ(DecodeText("\xE9\x9C", 77), U"\u00E9\u0153");
    // Undefined bytes keep their value.
    EXPECT_EQ(DecodeText("\x81\x9D", kAnsiCharSet), U"\u0081\u009D");
    EXPECT_EQ(DecodeText("\x98", kRussianCharSet), U"\u0098");
    EXPECT_EQ(DecodeText("a\tb\r\n", kRussianCharSet), U"a\tb\r\n");
}

TEST(TextEncodingTest, ValidUtf8WinsOverTheCharset) {
    EXPECT_EQ(DecodeText("\xC3\xA9", kAnsiCharSet), U"\u00E9");
    EXPECT_EQ(DecodeText("\xC3\xA9", kRussianCharSet), U"\u00E9");
    EXPECT_EQ(DecodeText("\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80", kAnsiCharSet), U"\u0416\u20AC\U0001F600");
    // One bad byte makes the whole text code-page text.
    EXPECT_EQ(DecodeText("\xC3\xA9\xE9", kAnsiCharSet), U"\u00C3\u00A9\u00E9");
    // Overlong forms, surrogates, values above U+10FFFF and cut sequences are not UTF-8.
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
    EXPECT_FALSE(IsValidUtf8("\x80"));
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));
    EXPECT_EQ(DecodeText("\xE2\x82", kAnsiCharSet), U"\u00E2\u201A");
}

TEST(TextEncodingTest, Utf8EncodingRoundTrips) {
    const std::u32string text = U"A\u00E9\u0416\u20AC\U0001F600";
    EXPECT_EQ(DecodeText(EncodeUtf8(text), kAnsiCharSet), text);
    EXPECT_EQ(EncodeUtf8(U"\xD800"), "\xEF\xBF\xBD");
}

TEST(TextEncodingTest, TextIsMeasuredAndDrawnInTheFontsCharset) {
    FontDescription d;
    d.faceName = "Arial";
    d.height = -20;
    d.charSet = kEastEuropeCharSet;
    auto eastEurope = Font::Create(d);
    d.charSet = kRussianCharSet;
    auto russian = Font::Create(d);

    EXPECT_EQ(TextWidth8(*eastEurope, "\x8A"), eastEurope->TextWidth(U"\u0160"));
    EXPECT_EQ(TextWidth8(*russian, "\xC6"), russian->TextWidth(U"\u0416"));
    EXPECT_EQ(MeasureTextExtent(*russian, "\x8A", kEastEuropeCharSet).width, russian->TextWidth(U"\u0160"));
    EXPECT_EQ(TextWidth8(*russian, "\xC3\xA9"), russian->TextWidth(U"\u00E9"));

    // "Ж" drawn from cp1251 and from UTF-8 gives the same pixels.
    const Surface fromCodePage = Render(*russian, "\xC6");
    const Surface fromUtf8 = Render(*russian, "\xD0\x96");
    EXPECT_GT(CountOf(fromCodePage, kWhitePixel), 0);
    EXPECT_TRUE(std::equal(fromCodePage.Pixels().begin(), fromCodePage.Pixels().end(), fromUtf8.Pixels().begin()));
}

// --- Clipping ------------------------------------------------------------

TEST(TextClippingTest, NothingIsDrawnOutsideSurfaceRectOrClip) {
    auto font = MakeFont("Arial", -40, 700);
    FontDescription d = font->Description();
    d.underline = d.strikeOut = true;
    auto decorated = Font::Create(d);

    // Text hanging over every edge of the surface.
    const struct {
        Rect rect;
        TextFormat format;
    } overhanging[] = {
        {{-25, -18, 30, 20}, TextFormat::Centre},
        {{20, 10, 200, 200}, TextFormat::Left},
        {{-500, -25, 60, 500}, TextFormat::Right},
    };
    for (const auto& c : overhanging) {
        Surface s(40, 30);
        FillPattern(s);
        DrawText(s, *decorated, "Wg\nWg", c.rect, c.format, kWhite, kNavy, BackgroundMode::Opaque);
        EXPECT_GT(CountOf(s, kWhitePixel), 0);
        EXPECT_GT(CountOf(s, kNavyPixel), 0);
    }

    // A rectangle smaller than the text, and a clip rectangle across it.
    const Rect rect{10, 10, 50, 40};
    const Rect clip{30, 0, 120, 25};
    Surface s(120, 80);
    FillPattern(s);
    DrawText(s, *decorated, "Wg\nWg", rect, TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque, clip);
    const Rect allowed = rect.Intersect(clip);
    int changed = 0;
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (s.At(x, y) == PatternAt(x, y)) continue;
            ++changed;
            ASSERT_TRUE(allowed.Contains(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(changed, allowed.Width() * allowed.Height());  // the opaque box covers it all

    // Entirely outside: nothing changes.
    Surface untouched(40, 30);
    FillPattern(untouched);
    DrawText(untouched, *font, "W", Rect{100, 100, 200, 200}, TextFormat::Left, kWhite, kNavy,
             BackgroundMode::Opaque);
    DrawText(untouched, *font, "W", Rect{-200, -200, -100, -100}, TextFormat::Left, kWhite, kNavy,
             BackgroundMode::Opaque);
    DrawText(untouched, *font, "W", untouched.Bounds(), TextFormat::Left, kWhite, kNavy, BackgroundMode::Opaque,
             Rect{});
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(untouched.At(x, y), PatternAt(x, y));
}

// --- Threads -------------------------------------------------------------

// Descriptions no other test creates, so the threads also race to create them.
FontDescription ConcurrentDescription(int i) {
    static const char* const faces[] = {"Arial", "Verdana", "Times New Roman", "Courier New", "Unknown Face"};
    FontDescription d;
    d.faceName = faces[i % 5];
    d.height = -(9 + i % 23);
    d.weight = (i / 5) % 2 ? 700 : 400;
    d.italic = (i / 10) % 2 != 0;
    d.underline = (i / 3) % 2 != 0;
    d.charSet = kBalticCharSet;
    return d;
}

size_t DrawAndHash(int i) {
    auto font = Font::Create(ConcurrentDescription(i));
    Surface s(160, 70);
    DrawText(s, *font, "Wave \xC0\xDE\r\nQuiz", s.Bounds(), static_cast<TextFormat>(i % 3), kWhite, kNavy,
             i % 2 ? BackgroundMode::Opaque : BackgroundMode::Transparent);
    const auto pixels = s.Pixels();
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(pixels.data()), pixels.size_bytes()));
}

TEST(FontConcurrencyTest, ThreadsCreatingAndDrawingGetTheSameResults) {
    constexpr int kIterations = 300;
    std::vector<size_t> first(kIterations);
    std::vector<size_t> second(kIterations);
    std::thread a([&] {
        for (int i = 0; i < kIterations; ++i) first[i] = DrawAndHash(i);
    });
    std::thread b([&] {
        for (int i = kIterations - 1; i >= 0; --i) second[i] = DrawAndHash(i);
    });
    a.join();
    b.join();
    for (int i = 0; i < kIterations; ++i) {
        const size_t alone = DrawAndHash(i);
        ASSERT_EQ(first[i], alone) << i;
        ASSERT_EQ(second[i], alone) << i;
    }
}

}  // namespace
}  // namespace korv::platform
