// Message boxes carry the icon their caller asked for (information unless
// told otherwise), and each icon is drawn as a shape of its own.

#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "platform/message_box_icon.h"
#include "platform/painter.h"
#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

TEST(MessageBox, TheIconAskedForReachesTheSinkInformationByDefault) {
    test::CapturedMessages messages;
    ShowMessageBox("plain");
    ShowMessageBox("titled", "Caption");
    ShowMessageBox("halt", MessageBoxIcon::Stop);
    ShowMessageBox("careful", MessageBoxIcon::Warning, "Caption");
    ASSERT_EQ(messages.all().size(), 4u);
    EXPECT_EQ(messages.all()[0].icon, MessageBoxIcon::Information);
    EXPECT_EQ(messages.all()[1].icon, MessageBoxIcon::Information);
    EXPECT_EQ(messages.all()[1].caption, "Caption");
    EXPECT_EQ(messages.all()[2].icon, MessageBoxIcon::Stop);
    EXPECT_EQ(messages.all()[2].text, "halt");
    EXPECT_EQ(messages.all()[3].icon, MessageBoxIcon::Warning);
    EXPECT_EQ(messages.all()[3].caption, "Caption");
}

// The icon drawn at (10, 20) on grey; `At` reads it in the icon's own
// coordinates.
class IconDrawing : public ::testing::Test {
protected:
    static constexpr Colour kGrey = Rgb(240, 240, 240);
    static constexpr Colour kWhite = Rgb(255, 255, 255);
    static constexpr Colour kBlack = Rgb(0, 0, 0);

    void Draw(MessageBoxIcon icon) {
        Painter(surface_).Fill(surface_.Bounds(), kGrey);
        DrawMessageBoxIcon(surface_, {10, 20}, icon);
    }
    Colour At(int x, int y) const { return PixelToColour(surface_.At(10 + x, 20 + y)); }
    // Nothing is drawn outside the icon's square.
    bool OnlyInsideTheSquare() const {
        for (int y = 0; y < surface_.Height(); ++y)
            for (int x = 0; x < surface_.Width(); ++x) {
                const bool inside = x >= 10 && x < 10 + kMessageBoxIconSize && y >= 20 && y < 20 + kMessageBoxIconSize;
                if (!inside && PixelToColour(surface_.At(x, y)) != kGrey) return false;
            }
        return true;
    }

    Surface surface_{60, 70};
};

TEST_F(IconDrawing, StopIsARedDiscWithAWhiteBar) {
    Draw(MessageBoxIcon::Stop);
    EXPECT_TRUE(OnlyInsideTheSquare());
    EXPECT_EQ(At(0, 0), kGrey);  // a disc leaves the corners alone
    EXPECT_EQ(At(31, 31), kGrey);
    EXPECT_EQ(At(16, 5), kStopIconColour);
    EXPECT_EQ(At(16, 26), kStopIconColour);
    EXPECT_EQ(At(4, 16), kStopIconColour);
    for (int x = 9; x < 23; ++x) EXPECT_EQ(At(x, 16), kWhite) << x;
    EXPECT_EQ(At(16, 10), kStopIconColour);  // the bar is flat
}

TEST_F(IconDrawing, InformationIsABlueDiscWithAWhiteI) {
    Draw(MessageBoxIcon::Information);
    EXPECT_TRUE(OnlyInsideTheSquare());
    EXPECT_EQ(At(0, 0), kGrey);
    EXPECT_EQ(At(4, 16), kInformationIconColour);
    EXPECT_EQ(At(16, 9), kWhite);                   // the dot
    EXPECT_EQ(At(16, 12), kInformationIconColour);  // the gap
    EXPECT_EQ(At(16, 20), kWhite);                  // the stem
    EXPECT_EQ(At(10, 20), kInformationIconColour);  // which is narrow
}

TEST_F(IconDrawing, WarningIsAYellowTriangleWithABlackExclamationMark) {
    Draw(MessageBoxIcon::Warning);
    EXPECT_TRUE(OnlyInsideTheSquare());
    EXPECT_EQ(At(2, 4), kGrey);   // the triangle narrows towards the top
    EXPECT_EQ(At(2, 28), kWarningIconColour);
    EXPECT_EQ(At(29, 28), kWarningIconColour);
    EXPECT_EQ(At(16, 15), kBlack);
    EXPECT_EQ(At(16, 23), kWarningIconColour);
    EXPECT_EQ(At(16, 25), kBlack);
}

}  // namespace
}  // namespace korv::platform
