#include "scenario/object_drawing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/painter.h"
#include "platform/text_encoding.h"
#include "scenario/object_motion.h"
#include "scenario/object_showing.h"
#include "scenario/object_typing.h"
#include "tests/support/canvas_scene.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using test::CanvasScene;
using test::FillSurface;
using test::PatternSurface;
using test::SameSurface;
using test::ShowsPictureOver;

constexpr platform::Pixel kKeyPixel = 0x00E0E0E0;
constexpr platform::Pixel kInk = 0x00C00000;
constexpr platform::Pixel kOldScreen = 0x00123456;

// A text's bitmap: ink on every third pixel, the key colour elsewhere (or
// the back colour for an opaque text).
platform::Surface TextBitmap(const VisualObject& text, int width, int height) {
    platform::Surface bitmap(width, height);
    const platform::Pixel back = platform::ColourToPixel(platform::StoredToColour(text.backColour));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.Set(x, y, (x + y) % 3 == 0 ? kInk : text.opaque ? back : kKeyPixel);
    return bitmap;
}

// The number of characters of a text as its font decodes it.
int CharacterCount(const VisualObject& text, const std::string& part) {
    return static_cast<int>(platform::DecodeText(part, text.font.charSet).size());
}

// Pictures that need no decoder: a picture is a pattern seeded by its byte
// count; a text is 10 pixels per character (or `partWidth`) and 20 high.
class ObjectDrawingTest : public ::testing::Test {
protected:
    class CountingPictures : public test::PatternPictures {
    public:
        explicit CountingPictures(ObjectDrawingTest& test) : test_(test) {}
        std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const override {
            ++test_.bitmapsMade;
            if (test_.failBitmaps) return std::nullopt;
            if (object.isText) return TextBitmap(object, size.width, size.height);
            return PatternPictures::CreateBitmap(object, size);
        }
        std::optional<platform::Surface> CreateTextBitmap(VisualObject& text, const std::string& part) const override {
            test_.typed.push_back(part);
            return TextBitmap(text, test_.partWidth ? test_.partWidth(part) : CharacterCount(text, part) * 10, 20);
        }

    private:
        ObjectDrawingTest& test_;
    };

    ObjectDrawingTest() {
        scene.pictures = &pictures;
        FillSurface(scene.window.screen, kOldScreen);
    }

    static VisualObject Picture(int width, int height) { return test::PictureObject(width, height); }
    static VisualObject Text(const std::string& content, bool opaque) {
        VisualObject text;
        text.isText = 1;
        text.opaque = opaque;
        text.text = content;
        text.naturalWidth = CharacterCount(text, content) * 10;
        text.naturalHeight = 20;
        return text;
    }
    static PlacementBlock At(int x, int y, int effect = 0) {
        PlacementBlock p;
        p.x1 = p.x2 = x;
        p.y1 = p.y2 = y;
        p.effect = effect;
        return p;
    }

    CountingPictures pictures{*this};
    CanvasScene scene{{320, 240}};
    std::vector<std::string> typed;
    std::function<int(const std::string&)> partWidth;
    int bitmapsMade = 0;
    bool failBitmaps = false;
};

TEST_F(ObjectDrawingTest, PicturesAppearWholeWithOrWithoutAnEffectAndCutAtTheScreenEdge) {
    for (int effect : {0, 21, 5, 37}) {
        SCOPED_TRACE(effect);
        FillSurface(scene.window.screen, kOldScreen);
        platform::Surface before = scene.window.screen;
        VisualObject picture = Picture(120, 90);
        // Partly outside: the effects run on the visible part only.
        ASSERT_TRUE(ShowObject(picture, scene, At(-30, 200, effect), {}));
        EXPECT_TRUE(ShowsPictureOver(scene.window.screen, before, PatternSurface(120, 90, 7), {0, 0, 120, 90}, {-30, 200}));
        EXPECT_TRUE(picture.shown);
        EXPECT_EQ(picture.shownEffect, effect);
    }
}

TEST_F(ObjectDrawingTest, FullScreenEffectsStretchThePictureOverTheScreen) {
    VisualObject picture = Picture(40, 30);
    ASSERT_TRUE(ShowObject(picture, scene, At(100, 100, 1), {}));
    EXPECT_TRUE(SameSurface(scene.window.screen, PatternSurface(320, 240, 7)));
}

TEST_F(ObjectDrawingTest, EffectNumbersBeyondTheCatalogueDrawNothing) {
    for (int effect : {-1, -2, -87, -2147483647 - 1, 88, 1000}) {
        SCOPED_TRACE(effect);
        FillSurface(scene.window.screen, kOldScreen);
        const platform::Surface before = scene.window.screen;
        VisualObject picture = Picture(120, 90);
        EXPECT_TRUE(ShowObject(picture, scene, At(10, 20, effect), {}));
        EXPECT_TRUE(SameSurface(scene.window.screen, before));
        VisualObject text = Text("Hello", false);
        EXPECT_TRUE(ShowObject(text, scene, At(10, 20, effect), {}));
        EXPECT_TRUE(SameSurface(scene.window.screen, before));
    }
}

TEST_F(ObjectDrawingTest, ABitmapThatCannotBeMadeIsReportedAndSkipped) {
    test::CapturedMessages messages;
    failBitmaps = true;
    platform::Surface before = scene.window.screen;
    VisualObject picture = Picture(40, 30);
    EXPECT_FALSE(ShowObject(picture, scene, At(10, 10), {}));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Image conversion failed, skipping this image"});
    EXPECT_FALSE(picture.shown);
    EXPECT_TRUE(SameSurface(scene.window.screen, before));
}

TEST_F(ObjectDrawingTest, TransparentTextsLetTheScreenShowThroughTheirKeyColour) {
    for (int effect : {0, 24}) {
        SCOPED_TRACE(effect);
        FillSurface(scene.window.screen, kOldScreen);
        VisualObject text = Text("Hello", false);
        ASSERT_TRUE(ShowObject(text, scene, At(20, 30, effect), {}));
        platform::Surface bitmap = TextBitmap(text, 50, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 50; ++x) {
                platform::Pixel expected = bitmap.At(x, y) == kKeyPixel ? kOldScreen : kInk;
                ASSERT_EQ(scene.window.screen.At(20 + x, 30 + y), expected) << x << "," << y;
            }
    }
}

TEST_F(ObjectDrawingTest, HideRestoresTheSavedScreenOrErasesByTheEffectShownWith) {
    scene.window.background = platform::Rgb(0, 0, 255);
    const platform::Pixel blue = 0x000000FF;

    // Saved under: the old screen comes back exactly.
    platform::Surface before = PatternSurface(320, 240, 99);
    scene.window.screen = before;
    VisualObject saved = Picture(50, 40);
    PlacementBlock p = At(-10, 220);
    p.saveUnder = 1;
    ASSERT_TRUE(ShowObject(saved, scene, p, {}));
    HideObject(saved, scene);
    EXPECT_TRUE(SameSurface(scene.window.screen, before));
    EXPECT_FALSE(saved.shown);

    // Effect 0 without save-under: only the object's rectangle.
    VisualObject plain = Picture(50, 40);
    ASSERT_TRUE(ShowObject(plain, scene, At(100, 100), {}));
    HideObject(plain, scene);
    EXPECT_EQ(scene.window.screen.At(100, 100), blue);
    EXPECT_EQ(scene.window.screen.At(149, 139), blue);
    EXPECT_EQ(scene.window.screen.At(150, 100), before.At(150, 100));
    EXPECT_EQ(scene.window.screen.At(99, 139), before.At(99, 139));

    // Any other effect: the whole screen.
    VisualObject dissolved = Picture(50, 40);
    ASSERT_TRUE(ShowObject(dissolved, scene, At(10, 10, 5), {}));
    HideObject(dissolved, scene);
    for (platform::Pixel pixel : scene.window.screen.Pixels()) ASSERT_EQ(pixel, blue);

    // Hiding what is not shown draws nothing.
    int draws = scene.window.draws;
    HideObject(dissolved, scene);
    EXPECT_EQ(scene.window.draws, draws);
}

TEST_F(ObjectDrawingTest, TypewriterPassesOverLineBreaksAndPausesBetweenCharacters) {
    VisualObject text = Text("AB\r\nC", true);
    PlacementBlock p = At(10, 10);
    p.label = 1;
    p.labelPeriod = 1500;
    ASSERT_TRUE(ShowObject(text, scene, p, {}));
    EXPECT_EQ(typed, (std::vector<std::string>{"A", "AB", "AB\r\nC"}));
    // Two pauses of 2000 − 1500 ms: none after the last character.
    EXPECT_EQ(scene.clock.Elapsed(), 1000u);
    EXPECT_TRUE(text.shown);
}

TEST_F(ObjectDrawingTest, TypewriterStepsByCharacterAndDecodesEachPartLikeTheWholeText) {
    // A UTF-8 text, and a text in the font's code page whose first two bytes
    // alone would read as UTF-8.
    for (const std::string& content : {std::string("Gr\xC3\xBC\xC3\x9F" "e"), std::string("\xC3\xBC\xE9")}) {
        SCOPED_TRACE(content);
        typed.clear();
        VisualObject text = Text(content, false);
        PlacementBlock p = At(10, 10);
        p.label = 1;
        ASSERT_TRUE(ShowObject(text, scene, p, {}));
        const std::u32string whole = platform::DecodeText(content, text.font.charSet);
        ASSERT_EQ(typed.size(), whole.size());
        for (size_t i = 0; i < typed.size(); ++i)
            EXPECT_EQ(platform::EncodeUtf8(platform::DecodeText(typed[i], text.font.charSet)),
                      platform::EncodeUtf8(whole.substr(0, i + 1)))
                << "step " << i;
    }
}

TEST_F(ObjectDrawingTest, TypewriterTakesOffWhatAWiderEarlierStepDrew) {
    scene.window.background = platform::Rgb(0, 0, 255);
    // The middle step is twice as wide as the whole text's 30 × 20 box.
    partWidth = [](const std::string& part) { return part == "AB" ? 60 : static_cast<int>(part.size()) * 10; };
    for (int align : {AlignLeft, AlignCentre})
        for (bool opaque : {true, false}) {
            SCOPED_TRACE(testing::Message() << "align " << align << " opaque " << opaque);
            const platform::Surface before = PatternSurface(320, 240, 5);
            scene.window.screen = before;
            VisualObject text = Text("ABC", opaque);
            text.align = align;
            PlacementBlock p = At(100, 50);
            p.label = 1;
            ASSERT_TRUE(ShowObject(text, scene, p, {}));
            const Rect box = Rect::FromSize(100, 50, 30, 20);
            auto outsideIsAsBefore = [&] {
                for (int y = 0; y < 240; ++y)
                    for (int x = 0; x < 320; ++x)
                        if (!box.Contains(x, y) && scene.window.screen.At(x, y) != before.At(x, y)) return false;
                return true;
            };
            EXPECT_TRUE(outsideIsAsBefore());
            HideObject(text, scene);
            EXPECT_TRUE(outsideIsAsBefore());
        }
}

TEST_F(ObjectDrawingTest, HideOfATypedTransparentTextErasesItUnlessTheScreenWasSaved) {
    scene.window.background = platform::Rgb(0, 0, 255);
    const platform::Pixel blue = 0x000000FF;
    for (int saveUnder : {0, 1}) {
        SCOPED_TRACE(saveUnder);
        const platform::Surface before = PatternSurface(320, 240, 9);
        scene.window.screen = before;
        VisualObject text = Text("ABC", false);
        text.align = AlignRight;
        PlacementBlock p = At(100, 50);
        p.label = 1;
        p.saveUnder = saveUnder;
        ASSERT_TRUE(ShowObject(text, scene, p, {}));
        HideObject(text, scene);
        const Rect box = Rect::FromSize(100, 50, 30, 20);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                platform::Pixel expected = box.Contains(x, y) && !saveUnder ? blue : before.At(x, y);
                ASSERT_EQ(scene.window.screen.At(x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(ObjectDrawingTest, TypewriterAlignsEachPartWithinTheFullBox) {
    VisualObject text = Text("ABCD", false);
    text.align = AlignRight;
    text.placement = At(100, 50);
    text.position = {100, 50};
    FillSurface(scene.window.screen, kOldScreen);
    Typewriter typewriter(text, scene);
    size_t counter = 0;
    ASSERT_TRUE(typewriter.ShowLabelStep(counter));
    // "A" is 10 wide and ends where the full box ends.
    EXPECT_EQ(scene.window.screen.At(130, 50), kInk);
    EXPECT_EQ(scene.window.screen.At(129, 50), kOldScreen);
    counter = 1;
    ASSERT_TRUE(typewriter.ShowLabelStep(counter));
    // "AB" starts at 120; the earlier "A" at 130 was taken away first, so
    // only the new part's own ink shows there.
    platform::Surface ab = TextBitmap(text, 20, 20);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(scene.window.screen.At(120 + x, 51), ab.At(x, 1) == kKeyPixel ? kOldScreen : kInk) << x;
    counter = 3;
    EXPECT_FALSE(typewriter.ShowLabelStep(counter));
}

TEST_F(ObjectDrawingTest, AStopEndsTheTypewriterAtOnce) {
    VisualObject text = Text("ABCDEFGH", true);
    PlacementBlock p = At(0, 0);
    p.label = 1;
    p.labelPeriod = 0;
    scene.window.onDraw = [&](const platform::Surface&) {
        if (typed.size() == 2) scene.stop.Set();
    };
    ShowObject(text, scene, p, {});
    EXPECT_EQ(typed.size(), 2u);
    EXPECT_LE(scene.clock.Elapsed(), 2000u);
}

TEST_F(ObjectDrawingTest, DesktopPicturesTakeTheFileWrittenAtStartUp) {
    test::TempDir dir;
    std::string path = (dir.path() / "desktop.bmp").string();
    test::WriteFileBytes(path, std::string(48, 'x'));
    scene.desktopPictures = {path, "", nullptr};
    VisualObject desktop = Picture(0, 0);
    desktop.data.clear();
    desktop.mode = PictureDesktop;
    ASSERT_TRUE(ShowObject(desktop, scene, At(0, 0), {}));
    EXPECT_EQ(desktop.mode, PictureEmbedded);
    EXPECT_EQ(desktop.data.size(), 48u);
    EXPECT_EQ(desktop.fileName, "desktop.bmp");
    EXPECT_EQ(DisplaySize(desktop, {320, 240}), (Size{64, 48}));
}

// --- MOVE ---

class MoveTest : public ObjectDrawingTest {
protected:
    // Both axes advance by `step`; the leading axis is the one that moves.
    PlacementBlock Move(int x1, int y1, int x2, int y2, int step) {
        PlacementBlock p = test::MovePlacement(x1, y1, x2, y2, step);
        p.stepY = step;
        p.alongX = x1 != x2;
        return p;
    }
    // Whether the object's pattern stands whole at `at` on the screen.
    bool PictureAt(const platform::Surface& screen, Point at, Size size) {
        platform::Surface picture = PatternSurface(size.width, size.height, 7);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                if (screen.At(at.x + x, at.y + y) != picture.At(x, y)) return false;
        return true;
    }
};

TEST_F(MoveTest, OverlappingStepsNeverShowAFrameWithoutTheObject) {
    VisualObject picture = Picture(40, 30);
    int frames = 0;
    // The first Draw only reads the screen the move starts from.
    scene.window.onDraw = [&](const platform::Surface& screen) {
        if (++frames == 1) return;
        bool found = false;
        for (int x = 0; x <= 280 && !found; ++x) found = PictureAt(screen, {x, 100}, {40, 30});
        EXPECT_TRUE(found) << "frame " << frames;
    };
    MoveObject(picture, scene, Move(0, 100, 200, 100, 10), {});
    EXPECT_EQ(frames, 22);  // the read, the first place and twenty steps
    EXPECT_EQ(picture.position, (Point{200, 100}));
    // Speed 100000: no pause at all.
    EXPECT_EQ(scene.clock.Elapsed(), 0u);
}

TEST_F(MoveTest, BackgroundIsKeptOrClearedBehindTheObject) {
    platform::Surface backdrop = PatternSurface(320, 240, 3);
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        scene.window.screen = backdrop;
        scene.window.background = platform::Rgb(0, 255, 0);
        VisualObject picture = Picture(40, 30);
        PlacementBlock p = Move(10, 10, 50, 10, 5);
        p.keepBackground = keep;
        MoveObject(picture, scene, p, {});
        EXPECT_TRUE(PictureAt(scene.window.screen, {50, 10}, {40, 30}));
        // Where the object was at the start.
        platform::Pixel left = scene.window.screen.At(12, 20);
        EXPECT_EQ(left, keep ? backdrop.At(12, 20) : 0x0000FF00);
        // Far from the path the screen is untouched.
        EXPECT_EQ(scene.window.screen.At(200, 200), backdrop.At(200, 200));
    }
}

TEST_F(MoveTest, JumpsFartherThanTheObjectEraseAndRedraw) {
    scene.window.background = platform::Rgb(255, 0, 0);
    VisualObject picture = Picture(20, 20);
    std::vector<platform::Surface> frames;
    scene.window.onDraw = [&](const platform::Surface& screen) { frames.push_back(screen); };
    MoveObject(picture, scene, Move(0, 0, 150, 0, 50), {});
    ASSERT_EQ(frames.size(), 5u);  // the read of the screen, then four places
    // Each step leaves the background where the object was.
    EXPECT_EQ(frames[2].At(5, 5), 0x00FF0000u);
    EXPECT_TRUE(PictureAt(frames[2], {50, 0}, {20, 20}));
    EXPECT_TRUE(PictureAt(frames[4], {150, 0}, {20, 20}));
}

TEST_F(MoveTest, SlowMovesPauseByTheirSpeedAndStopEarly) {
    VisualObject picture = Picture(20, 20);
    PlacementBlock p = Move(0, 0, 100, 0, 10);
    p.speedPeriod = 90000;  // a tenth of the calibration second per step
    MoveObject(picture, scene, p, {});
    EXPECT_NEAR(scene.clock.Elapsed(), 900, 1);  // nine pauses; none after the end
    scene.window.draws = 0;

    scene.window.onDraw = [&](const platform::Surface&) {
        if (scene.window.draws == 3) scene.stop.Set();
    };
    VisualObject stopped = Picture(20, 20);
    MoveObject(stopped, scene, p, {});
    EXPECT_EQ(stopped.position, (Point{10, 0}));  // the read, the start, one step
}

TEST_F(MoveTest, SaveUnderAtTheEndPointBringsTheOldScreenBackOnHide) {
    platform::Surface backdrop = PatternSurface(320, 240, 11);
    scene.window.screen = backdrop;
    VisualObject picture = Picture(30, 30);
    PlacementBlock p = Move(0, 0, 60, 60, 20);
    p.saveUnder = 1;
    p.keepBackground = 1;
    MoveObject(picture, scene, p, {});
    HideObject(picture, scene);
    EXPECT_TRUE(SameSurface(scene.window.screen, backdrop));
}

}  // namespace
}  // namespace korv
