// MOVE on a plain canvas: what the screen keeps and shows around a moving
// object, moves at the ends of the coordinate range, and pictures taken from
// the desktop or the wallpaper.

#include "scenario/object_motion.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/painter.h"
#include "scenario/object_showing.h"
#include "tests/support/canvas_scene.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using test::CanvasScene;
using test::PatternSurface;
using test::SameSurface;

constexpr platform::Pixel kGreen = 0x0000FF00;

// A picture's bitmap is a pattern seeded by its byte count, so a picture
// made from other bytes is told apart.
class ObjectMotionTest : public ::testing::Test {
protected:
    ObjectMotionTest() {
        scene.pictures = &pictures;
        scene.window.background = platform::Rgb(0, 255, 0);
    }

    static VisualObject Picture(int width, int height) { return test::PictureObject(width, height); }
    static PlacementBlock Move(int x1, int y1, int x2, int y2, int step) {
        return test::MovePlacement(x1, y1, x2, y2, step);
    }
    // Whether `screen` shows the pattern of `seed` whole at `at`.
    static bool PictureAt(const platform::Surface& screen, Point at, Size size, uint32_t seed = 7) {
        platform::Surface picture = PatternSurface(size.width, size.height, seed);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                if (screen.At(at.x + x, at.y + y) != picture.At(x, y)) return false;
        return true;
    }
    static bool AreaIs(const platform::Surface& screen, Rect area, platform::Pixel pixel) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (screen.At(x, y) != pixel) return false;
        return true;
    }

    test::PatternPictures pictures;
    CanvasScene scene{{320, 240}};
};

TEST_F(ObjectMotionTest, AMoveWithoutSaveUnderDropsTheScreenSavedByTheShow) {
    const platform::Surface backdrop = PatternSurface(320, 240, 11);

    // Shown with the screen saved under it, then moved without: the saved
    // screen belongs to the old place, so HIDE erases the object instead.
    scene.window.screen = backdrop;
    VisualObject picture = Picture(30, 30);
    PlacementBlock shown = Move(10, 10, 10, 10, 1);
    shown.saveUnder = 1;
    ASSERT_TRUE(ShowObject(picture, scene, shown, {}));
    MoveObject(picture, scene, Move(10, 10, 200, 150, 10), {});
    ASSERT_TRUE(PictureAt(scene.window.screen, {200, 150}, {30, 30}));
    HideObject(picture, scene);
    EXPECT_TRUE(AreaIs(scene.window.screen, Rect::FromSize(200, 150, 30, 30), kGreen));
    EXPECT_EQ(scene.window.screen.At(300, 10), backdrop.At(300, 10));  // away from the path
}

TEST_F(ObjectMotionTest, MovesLeftOutOrFarOffTheScreenEnd) {
    // A move that never ended would be stopped here; it must end long before.
    scene.window.onDraw = [&](const platform::Surface&) {
        if (scene.window.draws == 1000) scene.stop.Set();
    };
    const platform::Surface backdrop = PatternSurface(320, 240, 5);
    scene.window.screen = backdrop;

    // No step given: one pixel a step, towards the left too.
    VisualObject picture = Picture(20, 20);
    MoveObject(picture, scene, Move(100, 50, 90, 50, 0), {});
    EXPECT_EQ(picture.position, (Point{90, 50}));
    EXPECT_TRUE(PictureAt(scene.window.screen, {90, 50}, {20, 20}));
    EXPECT_LE(scene.window.draws, 12);  // the read, the start and ten steps

    // Off the screen towards the end of the coordinate range, with the
    // screen at the end point saved: the first jump erases the start, and
    // nothing else on the screen changes, nor at HIDE.
    scene.stop.Reset();
    scene.window.draws = 0;
    scene.window.screen = backdrop;
    VisualObject far = Picture(20, 20);
    PlacementBlock away = Move(300, 100, INT_MAX, 100, 1 << 28);
    away.saveUnder = 1;
    away.keepBackground = 1;
    MoveObject(far, scene, away, {});
    EXPECT_EQ(far.position, (Point{INT_MAX, 100}));
    platform::Surface expected = backdrop;
    platform::Painter(expected).Fill(Rect::FromSize(300, 100, 20, 20), scene.window.background);
    EXPECT_TRUE(SameSurface(scene.window.screen, expected));
    HideObject(far, scene);
    EXPECT_TRUE(SameSurface(scene.window.screen, expected));
    EXPECT_FALSE(scene.stop.IsSet());
}

// Texts without a back colour: ink on every third diagonal, the key colour
// (which leaves the screen as it is) elsewhere; pictures as the pattern.
class KeyedTextPictures : public test::PatternPictures {
public:
    std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const override {
        if (!object.isText) return PatternPictures::CreateBitmap(object, size);
        platform::Surface bitmap(size.width, size.height);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                bitmap.Set(x, y, (x + y) % 3 == 0 ? kInk : platform::ColourToPixel(platform::kKeyColour));
        return bitmap;
    }
    static constexpr platform::Pixel kInk = 0x00102030;
};

TEST_F(ObjectMotionTest, EveryStepShowsTheObjectWholeOverWhatItLeavesBehind) {
    // Overlapping steps, diagonally, for each way the uncovered screen is
    // refilled: the clear colour, the screen as the move began, and a keyed
    // text (which shows that screen through its holes).
    KeyedTextPictures keyed;
    scene.pictures = &keyed;
    const platform::Surface backdrop = PatternSurface(320, 240, 3);
    enum class Kind { ClearColour, KeepBackground, KeyedText };
    for (Kind kind : {Kind::ClearColour, Kind::KeepBackground, Kind::KeyedText}) {
        SCOPED_TRACE(static_cast<int>(kind));
        scene.window.screen = backdrop;
        scene.window.draws = 0;
        VisualObject object = Picture(40, 30);
        if (kind == Kind::KeyedText) object.isText = 1;
        PlacementBlock move = Move(20, 20, 140, 80, 3);
        move.keepBackground = kind == Kind::KeepBackground;
        int checked = 0;
        scene.window.onDraw = [&](const platform::Surface& screen) {
            if (scene.window.draws == 1) return;  // the move's first look at the screen
            const Rect at = Rect::FromSize(object.position.x, object.position.y, 40, 30);
            for (int y = 0; y < screen.Height(); ++y) {
                for (int x = 0; x < screen.Width(); ++x) {
                    const platform::Pixel shown = screen.At(x, y), under = backdrop.At(x, y);
                    if (at.Contains(x, y)) {
                        const int ox = x - at.left, oy = y - at.top;
                        const platform::Pixel want = kind != Kind::KeyedText ? PatternSurface(40, 30, 7).At(ox, oy)
                                                     : (ox + oy) % 3 == 0 ? KeyedTextPictures::kInk
                                                                          : under;
                        ASSERT_EQ(shown, want) << "object at (" << x << ", " << y << ") draw " << scene.window.draws;
                    } else if (kind == Kind::ClearColour) {
                        ASSERT_TRUE(shown == under || shown == kGreen) << "(" << x << ", " << y << ")";
                    } else {
                        ASSERT_EQ(shown, under) << "left behind at (" << x << ", " << y << ") draw " << scene.window.draws;
                    }
                }
            }
            ++checked;
        };
        MoveObject(object, scene, move, {});
        scene.window.onDraw = nullptr;
        EXPECT_EQ(object.position, (Point{140, 80}));
        EXPECT_GT(checked, 10);
        if (kind == Kind::ClearColour) {
            EXPECT_TRUE(AreaIs(scene.window.screen, Rect::FromSize(20, 20, 40, 30), kGreen));
        }
    }
}

TEST_F(ObjectMotionTest, ADesktopPictureMovedBeforeItWasShownTakesTheFileWrittenAtStartUp) {
    test::TempDir dir;
    std::string path = (dir.path() / "wallpaper.bmp").string();
    // The file is still being written when the scene starts: it is read
    // only once the writer says it is done.
    scene.desktopPictures = {"", path, [&] { test::WriteFileBytes(path, std::string(30, 'x')); }};
    VisualObject wallpaper = Picture(0, 0);
    wallpaper.data.clear();
    wallpaper.mode = PictureWallpaper;
    MoveObject(wallpaper, scene, Move(0, 10, 40, 10, 20), {});
    EXPECT_EQ(wallpaper.mode, PictureEmbedded);
    EXPECT_EQ(wallpaper.fileName, "wallpaper.bmp");
    // The file's 30 bytes make a 64 × 30 picture of their own pattern.
    EXPECT_TRUE(PictureAt(scene.window.screen, {40, 10}, {64, 30}, 30));
}

}  // namespace
}  // namespace korv
