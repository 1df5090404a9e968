// Texts of scenarios rendered into pictures with real fonts, and pictures
// measured through the image layer when a scenario loads.

#include <gtest/gtest.h>

#include <set>

#include "media/image/image_buffer.h"
#include "media/image/image_layer.h"
#include "platform/archive.h"
#include "platform/font.h"
#include "platform/text_drawing.h"
#include "scenario/object_commands.h"
#include "scenario/object_showing.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/visual_object.h"
#include "tests/support/canvas_scene.h"
#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "update/script_container.h"

namespace korv {
namespace {

VisualObject TextObject(const std::string& text, bool opaque) {
    VisualObject object;
    object.isText = 1;
    object.text = text;
    object.opaque = opaque ? 1 : 0;
    object.textColour = platform::Rgb(255, 0, 0);
    object.backColour = platform::Rgb(0, 0, 255);
    object.font.SetFaceName("Arial");
    object.font.height = -20;
    return object;
}

std::set<uint32_t> Colours(const PixelBuffer& pixels) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < pixels.bytes.size(); i += 3)
        colours.insert((pixels.bytes[i] << 16) | (pixels.bytes[i + 1] << 8) | pixels.bytes[i + 2]);
    return colours;
}

TEST(TextRendering, SizeFollowsTheWidestLineTimesTheLineCount) {
    VisualObject text = TextObject("Hello\r\nWorld wide", true);
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.RenderText(text, ""));
    auto font = platform::Font::Create({-20, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"});
    int widest = std::max(platform::TextWidth8(*font, "Hello"), platform::TextWidth8(*font, "World wide"));
    EXPECT_EQ(buffer.GetSize().width, static_cast<int>(widest * 1.02));
    EXPECT_EQ(buffer.GetSize().height, 2 * font->Height());
    EXPECT_EQ(text.font.quality & 3, 3);  // asked for glyphs without anti-aliasing

    // Lines ended by a line feed alone lose none of their characters.
    for (const char* content : {"Hello\nWorld wide", "World wide\nHi"}) {
        VisualObject feeds = TextObject(content, true);
        CImageBuffer lines;
        ASSERT_TRUE(lines.RenderText(feeds, ""));
        EXPECT_EQ(lines.GetSize().width, static_cast<int>(widest * 1.02)) << content;
    }

    // Opaque: text colour on the background colour and nothing in between.
    EXPECT_EQ(Colours(buffer.Base()), (std::set<uint32_t>{0xFF0000, 0x0000FF}));

    // Transparent: the key colour stands for "nothing here".
    VisualObject clear = TextObject("Hi", false);
    ASSERT_TRUE(buffer.RenderText(clear, ""));
    EXPECT_EQ(Colours(buffer.Base()), (std::set<uint32_t>{0xFF0000, 0xE0E0E0}));

    // An explicit text replaces the object's; an empty text cannot be rendered.
    ASSERT_TRUE(buffer.RenderText(clear, "A much longer replacement"));
    EXPECT_GT(buffer.GetSize().width, 100);
    VisualObject empty = TextObject("", true);
    EXPECT_FALSE(buffer.RenderText(empty, ""));
}

PlacementBlock PlacedAt(int x, int y, int effect) {
    PlacementBlock placement;
    placement.x1 = placement.x2 = x;
    placement.y1 = placement.y2 = y;
    placement.effect = effect;
    return placement;
}

std::set<platform::Pixel> ScreenColours(const platform::Surface& screen) {
    return {screen.Pixels().begin(), screen.Pixels().end()};
}

TEST(TextRendering, ATypedTextEndsAsTheSameTextShownAtOnce) {
    InitImageLayer();
    for (bool opaque : {false, true})
        for (int align : {AlignLeft, AlignCentre, AlignRight}) {
            SCOPED_TRACE(testing::Message() << "opaque " << opaque << " align " << align);
            VisualObject text = TextObject("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", opaque);
            text.align = align;
            ASSERT_TRUE(text.Prepare());
            test::CanvasScene atOnce({320, 120}), typed({320, 120});
            atOnce.window.screen = typed.window.screen = test::PatternSurface(320, 120, 4);
            ASSERT_TRUE(ShowObject(text, atOnce, PlacedAt(20, 30, 0), {}));
            PlacementBlock typing = PlacedAt(20, 30, 0);
            typing.label = 1;
            typing.labelPeriod = 2000;
            ASSERT_TRUE(ShowObject(text, typed, typing, {}));
            EXPECT_TRUE(test::SameSurface(typed.window.screen, atOnce.window.screen));
        }
}

TEST(TextRendering, ATransparentTextStretchedOverTheScreenKeepsItsInkFreeOfTheKeyColour) {
    InitImageLayer();
    const platform::Pixel ink = platform::ColourToPixel(platform::Rgb(255, 0, 0));
    const platform::Pixel green = platform::ColourToPixel(platform::Rgb(0, 128, 0));
    for (int effect : {1, 2}) {
        SCOPED_TRACE(effect);
        VisualObject text = TextObject("Halo?", false);
        ASSERT_TRUE(text.Prepare());
        test::CanvasScene scene({317, 203});
        test::FillSurface(scene.window.screen, green);
        ASSERT_TRUE(ShowObject(text, scene, PlacedAt(0, 0, effect), {}));
        EXPECT_EQ(ScreenColours(scene.window.screen), (std::set<platform::Pixel>{ink, green}));
    }
}

TEST(TextRendering, ScenariosWithTextsAndPicturesLoadThroughTheImageLayer) {
    InitImageLayer();
    test::TempDir dir;
    auto made = test::RunCommand("convert", {"-size", "40x30", "xc:#336699", (dir / "p.png").string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    CompileRequest request{SplitStatements("VERSION 400;TEXT t,Hello,Arial,BLD,-16;IMAGE p,p.png,0,NRM;SHOW t;SHOW p;"),
                           dir.str(), dir.str(), "s", {}, {}};
    ASSERT_EQ(ScenarioCompiler(std::move(request)).Compile(), CompileResult::Ok);

    platform::File file;
    ASSERT_TRUE(file.Open((dir / "s.zep").string(), platform::File::Mode::Read));
    platform::ArchiveReader archive(file);
    Scenario scenario;
    ASSERT_TRUE(scenario.Load(archive)) << scenario.LoadError();
    auto& text = dynamic_cast<VisualObject&>(scenario.At(0));
    auto& picture = dynamic_cast<VisualObject&>(scenario.At(1));
    EXPECT_GT(text.naturalWidth, 20);
    ASSERT_TRUE(text.image);
    EXPECT_EQ(text.image->GetSize().width, text.naturalWidth);
    EXPECT_EQ(picture.naturalWidth, 40);
    EXPECT_EQ(picture.naturalHeight, 30);
}

}  // namespace
}  // namespace korv
