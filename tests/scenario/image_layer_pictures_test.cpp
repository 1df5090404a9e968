// Pictures and texts of scenarios made by the image layer: texts rendered
// with real fonts, typed or shown at once, and pictures measured when a
// scenario loads.

#include "scenario/image_layer_pictures.h"

#include <gtest/gtest.h>

#include <set>

#include "media/image/image_buffer.h"
#include "platform/archive.h"
#include "platform/file.h"
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
    object.textColour = platform::ColourToStored(platform::Rgb(255, 0, 0));
    object.backColour = platform::ColourToStored(platform::Rgb(0, 0, 255));
    object.font.SetFaceName("Arial");
    object.font.height = -20;
    return object;
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

TEST(ImageLayerPictures, ATypedTextEndsAsTheSameTextShownAtOnce) {
    for (bool opaque : {false, true})
        for (int align : {AlignLeft, AlignCentre, AlignRight}) {
            SCOPED_TRACE(testing::Message() << "opaque " << opaque << " align " << align);
            VisualObject text = TextObject("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln", opaque);
            text.align = align;
            ASSERT_TRUE(text.Prepare(ImageLayerPictures()));
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

TEST(ImageLayerPictures, ATransparentTextStretchedOverTheScreenKeepsItsInkFreeOfTheKeyColour) {
    const platform::Pixel ink = platform::ColourToPixel(platform::Rgb(255, 0, 0));
    const platform::Pixel green = platform::ColourToPixel(platform::Rgb(0, 128, 0));
    for (int effect : {1, 2}) {
        SCOPED_TRACE(effect);
        VisualObject text = TextObject("Halo?", false);
        ASSERT_TRUE(text.Prepare(ImageLayerPictures()));
        test::CanvasScene scene({317, 203});
        test::FillSurface(scene.window.screen, green);
        ASSERT_TRUE(ShowObject(text, scene, PlacedAt(0, 0, effect), {}));
        EXPECT_EQ(ScreenColours(scene.window.screen), (std::set<platform::Pixel>{ink, green}));
    }
}

TEST(ImageLayerPictures, ScenariosWithTextsAndPicturesLoadThroughTheImageLayer) {
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
    EXPECT_EQ(text.font.quality & 3, 3);  // asked for glyphs without anti-aliasing
    ASSERT_TRUE(text.image);
    EXPECT_EQ(text.image->GetSize().width, text.naturalWidth);
    EXPECT_EQ(picture.naturalWidth, 40);
    EXPECT_EQ(picture.naturalHeight, 30);
}

}  // namespace
}  // namespace korv
