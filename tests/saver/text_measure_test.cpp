#include "saver/text_measure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korv {
namespace {

// Every character is 10 pixels wide; "W" is 16 pixels high and anything
// else a different height, so that using the wrong text for the height shows.
class FixedMetrics : public TextMetrics {
public:
    int TextWidth(std::string_view text) const override {
        measured.emplace_back(text);
        return static_cast<int>(text.size()) * 10;
    }
    int TextHeight(std::string_view text) const override { return text == "W" ? 16 : 99; }
    mutable std::vector<std::string> measured;
};

TEST(MeasureTextTest, TextWithoutLineFeedIsOneLineMeasuredWhole) {
    FixedMetrics metrics;
    Rect rect{5, 5, 5, 5};
    EXPECT_TRUE(MeasureText(metrics, "Hello", rect));
    EXPECT_EQ(rect, (Rect{0, 0, 50, 16}));
}

TEST(MeasureTextTest, LinesEndingInCrLfAreMeasuredWithoutTheCr) {
    FixedMetrics metrics;
    Rect rect;
    EXPECT_TRUE(MeasureText(metrics, "ab\r\nabcd\r\nabc\r\n", rect));
    EXPECT_EQ(rect, (Rect{0, 0, 40, 48}));
    EXPECT_EQ(metrics.measured, (std::vector<std::string>{"ab", "abcd", "abc"}));
}

TEST(MeasureTextTest, TextAfterTheLastLineFeedIsALine) {
    FixedMetrics metrics;
    Rect rect;
    EXPECT_TRUE(MeasureText(metrics, "ab\r\nabcdef", rect));
    EXPECT_EQ(rect, (Rect{0, 0, 60, 32}));
}

TEST(MeasureTextTest, CharacterBeforeABareLineFeedIsNotMeasured) {
    FixedMetrics metrics;
    Rect rect;
    EXPECT_TRUE(MeasureText(metrics, "abc\n\nxy", rect));
    EXPECT_EQ(metrics.measured, (std::vector<std::string>{"ab", "", "xy"}));
    EXPECT_EQ(rect, (Rect{0, 0, 20, 48}));
}

TEST(MeasureTextTest, NothingToMeasureIsAFailure) {
    FixedMetrics metrics;
    Rect rect{1, 2, 3, 4};
    EXPECT_FALSE(MeasureText(metrics, "", rect));
    EXPECT_EQ(rect, (Rect{0, 0, 0, 0}));
    // Lines that are there but have no width.
    EXPECT_FALSE(MeasureText(metrics, "\r\n\r\n", rect));
    EXPECT_EQ(rect, (Rect{0, 0, 0, 32}));
}

}  // namespace
}  // namespace korv
