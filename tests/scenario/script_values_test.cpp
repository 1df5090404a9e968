#include "scenario/script_values.h"

#include <gtest/gtest.h>

#include <vector>

#include "scenario/scramble.h"
#include "scenario/script_tokens.h"

namespace korv {
namespace {

TEST(ScriptNumbers, AtoiAndAtofRulesAreLenientButBounded) {
    EXPECT_EQ(AtoiRule("  -42xyz"), -42);
    EXPECT_EQ(AtoiRule("+7"), 7);
    EXPECT_EQ(AtoiRule("abc"), 0);
    EXPECT_EQ(AtoiRule(""), 0);
    EXPECT_EQ(AtoiRule("99999999999999999999"), 2147483647);
    EXPECT_EQ(AtoiRule("-99999999999999999999"), -2147483647 - 1);

    EXPECT_EQ(SecondsToMilliseconds("2.5"), 2500);
    EXPECT_EQ(SecondsToMilliseconds("0.0015"), 1);  // truncated toward zero
    EXPECT_EQ(SecondsToMilliseconds(""), 0);
    EXPECT_EQ(SecondsToMilliseconds("-1.9999"), -1999);
    EXPECT_EQ(SecondsToMilliseconds(" 3s"), 3000);
    EXPECT_EQ(SecondsToMilliseconds("1e2"), 100000);
    // Texts a C library would read as infinity, NaN or hexadecimal are not numbers here.
    EXPECT_EQ(SecondsToMilliseconds("inf"), 0);
    EXPECT_EQ(SecondsToMilliseconds("nan"), 0);
    EXPECT_EQ(SecondsToMilliseconds("0x10"), 0);
    EXPECT_EQ(SecondsToMilliseconds("1e999"), 2147483647);
}

TEST(ScriptColours, PartsAreReadByPosition) {
    EXPECT_EQ(ParseColour("255,128,000"), 255u + 256u * 128u);
    EXPECT_EQ(ParseColour("000.000.255"), 255u * 65536u);
    EXPECT_EQ(ParseColour("010 020 030"), 10u + 256u * 20u + 65536u * 30u);
    // A part above 255 keeps its low 8 bits.
    EXPECT_EQ(ParseColour("300,000,000"), 44u);
    EXPECT_EQ(ParseColour(""), 0u);
}

TEST(ScriptKeywords, AnchorsAreCaseSensitive) {
    EXPECT_EQ(HorizontalAnchor("LFT"), AnchorStart);
    EXPECT_EQ(HorizontalAnchor("CTR"), AnchorCentre);
    EXPECT_EQ(HorizontalAnchor("RGT"), AnchorEnd);
    EXPECT_EQ(HorizontalAnchor("RND"), AnchorRandom);
    EXPECT_EQ(HorizontalAnchor("RNP"), AnchorRandomInside);
    EXPECT_EQ(HorizontalAnchor("lft"), AnchorExplicit);
    EXPECT_EQ(HorizontalAnchor("TOP"), AnchorExplicit);
    EXPECT_EQ(VerticalAnchor("TOP"), AnchorStart);
    EXPECT_EQ(VerticalAnchor("BTM"), AnchorEnd);
    EXPECT_EQ(VerticalAnchor("LFT"), AnchorExplicit);
}

TEST(ScriptEscapes, LineBreaksAndCharacterCodes) {
    EXPECT_EQ(UnescapeText("A<br>B"), "A\r\nB");
    EXPECT_EQ(UnescapeText("one\\0044 two"), "one, two");
    EXPECT_EQ(UnescapeText("<br><br>"), "\r\n\r\n");
    EXPECT_EQ(UnescapeText("<BR>"), "<BR>");
    // A backslash near the end takes what is there.
    EXPECT_EQ(UnescapeText("x\\65"), "xA");
    EXPECT_EQ(UnescapeText("x\\"), std::string("x\0", 2));
    EXPECT_EQ(UnescapeText("\\0060br>"), "<br>");  // an escape is not scanned again
}

TEST(ScriptFileNames, OnlyPlainNamesInsideTheFolder) {
    EXPECT_TRUE(IsPlainFileName("picture 1.jpg"));
    EXPECT_TRUE(IsPlainFileName("a..b.png"));
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "../x.jpg", "/etc/passwd", "sub/x.jpg", "c:\\x.jpg", std::string("a\0b", 3)})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
}

TEST(ScriptTokensSplit, CommandWordThenCommaSeparatedArguments) {
    ScriptTokens tokens("SHOW  pic, CTR,\tBTM ,,x");
    ASSERT_EQ(tokens.Count(), 6u);
    EXPECT_EQ(tokens.GetToken(0), "SHOW");
    EXPECT_EQ(tokens.GetToken(1), " pic");  // the first argument keeps its blanks
    EXPECT_EQ(tokens.GetToken(2), "CTR");
    EXPECT_EQ(tokens.GetToken(3), "BTM ");  // trailing blanks stay
    EXPECT_EQ(tokens.GetToken(4), "");
    EXPECT_EQ(tokens.GetToken(5), "x");
    EXPECT_EQ(tokens.GetToken(6), "");
    EXPECT_EQ(tokens.GetToken(1000), "");

    tokens.SplitLine("REPEAT");
    EXPECT_EQ(tokens.Count(), 1u);
    tokens.SplitLine("");
    EXPECT_EQ(tokens.GetToken(0), "");
}

TEST(Scrambling, ShiftDependsOnlyOnLength) {
    EXPECT_EQ(ScrambleShift(60), 8);
    EXPECT_EQ(ScrambleShift(1), 4);
    EXPECT_EQ(ScrambleShift(11), 3);
    EXPECT_EQ(ScrambledText("A"), "=");  // 'A' - 4
    std::string text = "\x00\x01\xFF hello";
    EXPECT_EQ(UnscrambledText(ScrambledText(text)), text);
    EXPECT_EQ(static_cast<uint8_t>(ScrambledText(std::string(1, '\x02'))[0]), 0xFE);  // wraps modulo 256
}

TEST(Scrambling, WordAtATimeShiftEqualsTheByteShiftForEveryValueLengthAndPlace) {
    // Every byte value under every shift, at every offset within a word and
    // with tails of every length, in place and into another buffer.
    std::vector<uint8_t> in(256 + 8 + 7);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 37 + 11);
    for (int add = 0; add < 256; ++add) {
        for (size_t offset : {0u, 3u}) {
            for (size_t count : {in.size() - offset, size_t{7}, size_t{9}, size_t{0}}) {
                std::vector<uint8_t> out(in.size(), 0xAA), inPlace = in;
                AddToEachByte(out.data() + offset, in.data() + offset, count, static_cast<uint8_t>(add));
                AddToEachByte(inPlace.data() + offset, inPlace.data() + offset, count, static_cast<uint8_t>(add));
                for (size_t i = 0; i < in.size(); ++i) {
                    const bool inside = i >= offset && i < offset + count;
                    ASSERT_EQ(out[i], inside ? static_cast<uint8_t>(in[i] + add) : 0xAA) << add << " " << i;
                    ASSERT_EQ(inPlace[i], inside ? static_cast<uint8_t>(in[i] + add) : in[i]) << add << " " << i;
                }
            }
        }
    }
}

}  // namespace
}  // namespace korv
