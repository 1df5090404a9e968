// Texts rendered into pictures with real fonts.

#include <gtest/gtest.h>

#include <set>

#include "media/image/image_buffer.h"
#include "media/image/text_style.h"
#include "platform/font.h"
#include "platform/text_drawing.h"
#include "tests/support/rgb24_pictures.h"

namespace korv {
namespace {

// Red Arial text of 20 pixels on blue (when opaque).
TextStyle ArialStyle(bool opaque) {
    TextStyle style;
    style.font = {-20, 0, 0, 0, 400, false, false, false, 0, 1, 2, 1, 34, "Arial"};
    style.textColour = platform::Rgb(255, 0, 0);
    style.backColour = platform::Rgb(0, 0, 255);
    style.opaque = opaque;
    return style;
}

std::set<uint32_t> Colours(const platform::Surface& picture) {
    const std::vector<uint8_t> bytes = test::Rgb24Bytes(picture);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < bytes.size(); i += 3)
        colours.insert((bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2]);
    return colours;
}

TEST(TextRendering, SizeFollowsTheWidestLineTimesTheLineCount) {
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.RenderText("Hello\r\nWorld wide", ArialStyle(true)));
    auto font = platform::Font::Create({-20, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"});
    int widest = std::max(platform::TextWidth8(*font, "Hello"), platform::TextWidth8(*font, "World wide"));
    EXPECT_EQ(buffer.GetSize().width, static_cast<int>(widest * 1.02));
    EXPECT_EQ(buffer.GetSize().height, 2 * font->Height());

    // Lines ended by a line feed alone lose none of their characters.
    for (const char* content : {"Hello\nWorld wide", "World wide\nHi"}) {
        CImageBuffer lines;
        ASSERT_TRUE(lines.RenderText(content, ArialStyle(true)));
        EXPECT_EQ(lines.GetSize().width, static_cast<int>(widest * 1.02)) << content;
    }

    // Opaque: text colour on the background colour and nothing in between.
    EXPECT_EQ(Colours(buffer.Base()), (std::set<uint32_t>{0xFF0000, 0x0000FF}));

    // Transparent: the key colour stands for "nothing here".
    ASSERT_TRUE(buffer.RenderText("Hi", ArialStyle(false)));
    EXPECT_EQ(Colours(buffer.Base()), (std::set<uint32_t>{0xFF0000, 0xE0E0E0}));

    // A longer text makes a wider picture; an empty text cannot be rendered.
    ASSERT_TRUE(buffer.RenderText("A much longer replacement", ArialStyle(false)));
    EXPECT_GT(buffer.GetSize().width, 100);
    EXPECT_FALSE(buffer.RenderText("", ArialStyle(true)));
}

}  // namespace
}  // namespace korv
