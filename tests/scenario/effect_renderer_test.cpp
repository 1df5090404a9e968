#include "scenario/effect_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/painter.h"
#include "scenario/effects/effect_catalogue.h"
#include "tests/support/canvas_scene.h"

namespace korv {
namespace {

using platform::Pixel;
using platform::Surface;
using test::CanvasScene;

constexpr Size kScreen{160, 120};
constexpr Size kPicture{120, 90};
constexpr int kFastest = 1000;  // s at effect speed 100: no pauses, step length 2
constexpr int kSlow = 500;      // effect speed 600: 5 ms pauses on the canvas's speed figure
constexpr int kLongSteps = 100; // effect speed 1000: step length 3

bool SameRows(const Surface& a, const Surface& b, int y, int from, int to) {
    return from >= to || std::memcmp(a.Row(y) + from, b.Row(y) + from, sizeof(Pixel) * static_cast<size_t>(to - from)) == 0;
}

// Whether `a` and `b` agree everywhere outside `r`.
bool SameOutside(const Surface& a, const Surface& b, Rect r) {
    for (int y = 0; y < a.Height(); ++y) {
        if (y < r.top || y >= r.bottom) {
            if (!SameRows(a, b, y, 0, a.Width())) return false;
        } else if (!SameRows(a, b, y, 0, std::clamp(r.left, 0, a.Width())) ||
                   !SameRows(a, b, y, std::clamp(r.right, 0, a.Width()), a.Width())) {
            return false;
        }
    }
    return true;
}

// A picture brought onto a patterned screen as SHOW would, clipped to the
// screen, with every frame watched.
class EffectStage {
public:
    EffectStage(int number, Size pictureSize, Point pictureAt, int speedValue = kFastest)
        : scene_(kScreen), picture_(test::PatternSurface(pictureSize.width, pictureSize.height, 1)) {
        scene_.window.screen = test::PatternSurface(kScreen.width, kScreen.height, 7);
        before_ = scene_.window.screen;
        Rect onScreen = Rect::FromSize(pictureAt.x, pictureAt.y, pictureSize.width, pictureSize.height)
                            .Intersect({0, 0, kScreen.width, kScreen.height});
        run_.effectNumber = number;
        run_.picture = &picture_;
        run_.area = onScreen.Offset(-pictureAt.x, -pictureAt.y);
        run_.position = {onScreen.left, onScreen.top};
        run_.fill = platform::Rgb(1, 2, 3);
        run_.speedValue = speedValue;
        expected_ = before_;
        platform::Painter(expected_).Copy(run_.position, picture_, run_.area);
        scene_.window.onDraw = [this](const Surface& screen) { Watch(screen); };
    }
    EffectStage(const EffectStage&) = delete;

    void Run() { RunEffect(scene_, run_); }

    // The screen says it is behind when `waiting` answers true.
    void ScreenBehindWhen(std::function<bool()> waiting) { scene_.window.frameWaiting = std::move(waiting); }

    // Runs `action` after every draw, with the draw's number (from 1).
    void OnDraw(std::function<void(int)> action) { onDraw_ = std::move(action); }

    bool Ended() const { return test::SameSurface(scene_.window.screen, expected_); }
    bool OutsideChanged() const { return outsideChanged_; }
    bool SawIntermediateFrame() const { return sawIntermediate_; }
    int Draws() const { return scene_.window.draws; }
    uint64_t Elapsed() const { return scene_.clock.Elapsed(); }
    Rect TargetRect() const { return Rect::FromSize(run_.position.x, run_.position.y, run_.area.Width(), run_.area.Height()); }
    const Surface& Before() const { return before_; }
    const Surface& Screen() const { return scene_.window.screen; }
    const Surface& Picture() const { return picture_; }
    CanvasScene& Scene() { return scene_; }
    EffectRun& Settings() { return run_; }

private:
    void Watch(const Surface& screen) {
        if (!SameOutside(screen, before_, TargetRect())) outsideChanged_ = true;
        if (!sawIntermediate_ && !test::SameSurface(screen, before_) && !test::SameSurface(screen, expected_))
            sawIntermediate_ = true;
        if (onDraw_) onDraw_(scene_.window.draws);
    }

    CanvasScene scene_;
    Surface picture_;
    Surface before_;
    Surface expected_;
    EffectRun run_;
    bool outsideChanged_ = false;
    bool sawIntermediate_ = false;
    std::function<void(int)> onDraw_;
};

std::string Where(Point at) { return "picture at (" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")"; }

class EveryEffect : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Effect, EveryEffect, ::testing::Range(kFirstEffect, kLastEffect + 1),
                         [](const auto& info) { return "Number" + std::to_string(info.param); });

TEST_P(EveryEffect, BringsInTheVisiblePartGraduallyAndTouchesNothingElse) {
    // Inside the screen; cut at the left and top (area.left = 30, area.top =
    // 20, drawn at 0, 0); cut at the right and bottom.
    for (Point at : {Point{20, 15}, Point{-30, -20}, Point{70, 60}}) {
        SCOPED_TRACE(Where(at));
        EffectStage stage(GetParam(), kPicture, at);
        stage.Run();
        EXPECT_TRUE(stage.Ended());
        EXPECT_FALSE(stage.OutsideChanged());
        EXPECT_TRUE(stage.SawIntermediateFrame());
    }
}

uint64_t Fingerprint(const Surface& s) {
    uint64_t hash = 1469598103934665603u;
    for (Pixel p : s.Pixels()) hash = (hash ^ p) * 1099511628211u;
    return hash;
}

TEST_P(EveryEffect, WhileTheScreenIsBehindStepsWaitAndEveryFrameIsOneOfTheEffect) {
    // Every screen of a run against a screen that is behind three times out
    // of four must be one the effect passes through when every step is
    // shown, in the same order, and the run must end with the picture.
    for (Point at : {Point{20, 15}, Point{-30, -20}}) {
        SCOPED_TRACE(Where(at));
        EffectStage shown(GetParam(), kPicture, at);
        std::vector<uint64_t> everyStep{Fingerprint(shown.Screen())};
        shown.OnDraw([&](int) { everyStep.push_back(Fingerprint(shown.Screen())); });
        shown.Run();

        std::vector<uint64_t> behind;
        EffectStage held(GetParam(), kPicture, at);
        int asked = 0;
        held.ScreenBehindWhen([&] { return ++asked % 4 != 0; });
        held.OnDraw([&](int) { behind.push_back(Fingerprint(held.Screen())); });
        held.Run();

        EXPECT_TRUE(held.Ended());
        EXPECT_FALSE(held.OutsideChanged());
        size_t next = 0;
        for (size_t i = 0; i < behind.size(); ++i) {
            while (next < everyStep.size() && everyStep[next] != behind[i]) ++next;
            ASSERT_LT(next, everyStep.size()) << "draw " << i + 1 << " showed a screen the effect never shows";
        }
    }
}

TEST(Effect, ScreenBehindAllTheTimeStillEndsWithThePicture) {
    // A window that never shows (a lost preview) still gets the whole
    // picture at the end, for a line family, a push and a fade.
    for (int number : {37, 41, 4, 66}) {
        SCOPED_TRACE(number);
        EffectStage stage(number, kPicture, {20, 15});
        stage.ScreenBehindWhen([] { return true; });
        stage.Run();
        EXPECT_TRUE(stage.Ended());
    }
}

TEST_P(EveryEffect, SmallAndOddAreasEndComplete) {
    for (Size size : {Size{1, 1}, Size{1, 7}, Size{7, 1}, Size{2, 3}, Size{17, 13}, Size{33, 9}, Size{9, 40}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        EffectStage stage(GetParam(), size, {5, 6});
        stage.Run();
        EXPECT_TRUE(stage.Ended());
        EXPECT_FALSE(stage.OutsideChanged());
    }
}

TEST_P(EveryEffect, StopRequestFinishesWithoutFurtherPauses) {
    // Stopped during the third draw.
    EffectStage stage(GetParam(), kPicture, {-30, 20}, kSlow);
    uint64_t elapsedAtStop = 0;
    stage.OnDraw([&](int draw) {
        if (draw != 3) return;
        stage.Scene().stop.Set();
        elapsedAtStop = stage.Elapsed();
    });
    stage.Run();
    EXPECT_TRUE(stage.Ended());
    EXPECT_EQ(stage.Elapsed(), elapsedAtStop);

    // Stopped before it starts.
    EffectStage stopped(GetParam(), kPicture, {20, 15}, kSlow);
    stopped.Scene().stop.Set();
    stopped.Run();
    EXPECT_TRUE(stopped.Ended());
    EXPECT_EQ(stopped.Elapsed(), 0u);
}

// Every effect but the fades, which are paced by the clock instead.
std::vector<int> PausingEffects() {
    std::vector<int> numbers;
    for (int n = kFirstEffect; n <= kLastEffect; ++n)
        if (n != 4 && n != 65) numbers.push_back(n);
    return numbers;
}

class EveryPausingEffect : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Effect, EveryPausingEffect, ::testing::ValuesIn(PausingEffects()),
                         [](const auto& info) { return "Number" + std::to_string(info.param); });

TEST_P(EveryPausingEffect, PausesFollowTheSpeedValue) {
    const int number = GetParam();

    // 62 and 64 make pauses half as long: none at the fastest speed, 2.5 ms
    // a step at s = 500; 5 never pauses.
    const bool halfPauses = number == 62 || number == 64;
    auto expectPauses = [&](int speedValue, double perStep) {
        EffectStage stage(number, kPicture, {20, 15}, speedValue);
        stage.Run();
        const double expected = perStep * stage.Draws();
        EXPECT_NEAR(static_cast<double>(stage.Elapsed()), expected, 2.0 + expected * 0.01)
            << stage.Draws() << " draws at s = " << speedValue;
    };
    expectPauses(kFastest, 0.0);
    expectPauses(kSlow, number == 5 ? 0.0 : halfPauses ? 2.5 : 5.0);
}

TEST(Effect, EmptyAreasAndUnknownNumbersDrawNothing) {
    for (Rect area : {Rect{30, 20, 30, 90}, Rect{30, 20, 120, 20}}) {
        EffectStage stage(21, kPicture, {20, 15});
        stage.Settings().area = area;
        stage.Run();
        EXPECT_EQ(stage.Draws(), 0);
    }
    for (int number : {-1, 0, 3, 88, 1000}) {
        EffectStage stage(number, kPicture, {20, 15});
        stage.Run();
        EXPECT_EQ(stage.Draws(), 0) << number;
        EXPECT_TRUE(test::SameSurface(stage.Screen(), stage.Before()));
    }
}

TEST(Effect, LineFamiliesAdvanceByTheStepLength) {
    EXPECT_EQ(EffectStepLength(kFastest), 2);
    EXPECT_EQ(EffectStepLength(kLongSteps), 3);
    // Slides over 90 rows (21) and 120 columns (23); a line wipe over 90 rows.
    struct Case {
        int number;
        int lines;
    };
    for (Case c : {Case{21, 90}, Case{23, 120}, Case{37, 90}}) {
        for (int speedValue : {kFastest, kLongSteps}) {
            EffectStage stage(c.number, kPicture, {20, 15}, speedValue);
            stage.Run();
            int k = EffectStepLength(speedValue);
            EXPECT_EQ(stage.Draws(), (c.lines + k - 1) / k) << c.number << " at step length " << k;
            EXPECT_TRUE(stage.Ended());
        }
    }
}

TEST(Effect, MovedOldContentComesFromUnderTheArea) {
    // Cut at the left and top, so the area's (0, 0) is the screen's (0, 0)
    // while the picture's is not: push 41 and uncover 29 both move the old
    // content down, 2 rows a step.
    for (int number : {41, 29}) {
        EffectStage stage(number, kPicture, {-30, -20});
        bool checked = false;
        stage.OnDraw([&](int draw) {
            if (draw != 10) return;
            const Rect target = stage.TargetRect();
            const int moved = 2 * draw;
            for (int y = moved; y < target.Height(); ++y)
                for (int x = 0; x < target.Width(); ++x)
                    ASSERT_EQ(stage.Screen().At(x, y), stage.Before().At(x, y - moved)) << number << " at " << x << ", " << y;
            checked = true;
        });
        stage.Run();
        EXPECT_TRUE(checked);
        EXPECT_TRUE(stage.Ended());
    }
}

TEST(Effect, FadeTakesAboutTwoHundredFiftySixFramePeriods) {
    struct Case {
        int speedValue;
        double milliseconds;
    };
    // Default speed: 1 ms a level; effect speed 1000: 10 ms; effect speed 0
    // (s = 1100) would give 0 ms and runs at 1 ms.
    for (Case c : {Case{kFastest, 256}, Case{kLongSteps, 2560}, Case{1100, 256}}) {
        EffectStage stage(4, kPicture, {20, 15}, c.speedValue);
        stage.Run();
        EXPECT_NEAR(static_cast<double>(stage.Elapsed()), c.milliseconds, c.milliseconds * 0.02) << c.speedValue;
        EXPECT_TRUE(stage.Ended());
    }
    // The second fade runs one millisecond a level slower.
    EffectStage second(65, kPicture, {20, 15});
    second.Run();
    EXPECT_NEAR(static_cast<double>(second.Elapsed()), 512, 10);
    EXPECT_TRUE(second.Ended());
}

TEST(Effect, FadeSkipsLevelsWhenDrawingFallsBehind) {
    // Every frame costs 5 ms: the fade keeps to its quarter second by
    // dropping levels.
    EffectStage stage(4, kPicture, {20, 15});
    stage.OnDraw([&](int) { stage.Scene().clock.Advance(5); });
    stage.Run();
    EXPECT_TRUE(stage.Ended());
    EXPECT_LT(stage.Draws(), 60);
    EXPECT_LE(stage.Elapsed(), 270u);
}

TEST(Effect, FadesPassThroughDarkerFrames) {
    // Fade 4 half way: every colour byte at most the picture's, and the
    // picture as a whole clearly darker.
    EffectStage in(4, kPicture, {20, 15});
    bool checked = false;
    in.OnDraw([&](int draw) {
        if (draw != 128) return;
        const Rect target = in.TargetRect();
        uint64_t shown = 0, full = 0;
        for (int y = target.top; y < target.bottom; ++y)
            for (int x = target.left; x < target.right; ++x) {
                Pixel s = in.Screen().At(x, y), p = in.Picture().At(x - target.left, y - target.top);
                for (int shift : {0, 8, 16}) {
                    ASSERT_LE((s >> shift) & 0xFF, (p >> shift) & 0xFF);
                    shown += (s >> shift) & 0xFF;
                    full += (p >> shift) & 0xFF;
                }
            }
        EXPECT_LT(shown * 10, full * 6);
        checked = true;
    });
    in.Run();
    EXPECT_TRUE(checked);

    // Fade 65 goes through black between the old content and the picture.
    EffectStage through(65, kPicture, {20, 15});
    bool black = false;
    through.OnDraw([&](int) {
        const Rect target = through.TargetRect();
        bool all = true;
        for (int y = target.top; y < target.bottom && all; ++y)
            for (int x = target.left; x < target.right && all; ++x) all = through.Screen().At(x, y) == 0;
        black = black || all;
    });
    through.Run();
    EXPECT_TRUE(black);
    EXPECT_TRUE(through.Ended());
}

TEST(Effect, PixelBlendMixesEachColourOnItsOwn) {
    // Uniform old content and picture: every frame is uniform over the area,
    // and each colour byte moves steadily from the old value to the new one
    // (a carry between bytes would break both).
    EffectStage stage(66, kPicture, {20, 15});
    test::FillSurface(stage.Scene().window.screen, 0x00123456);
    Surface picture(kPicture.width, kPicture.height);
    test::FillSurface(picture, 0x00EDCBA9);
    stage.Settings().picture = &picture;
    std::vector<Pixel> shades;
    stage.OnDraw([&](int) {
        const Rect target = stage.TargetRect();
        Pixel first = stage.Screen().At(target.left, target.top);
        for (int y = target.top; y < target.bottom; ++y)
            for (int x = target.left; x < target.right; ++x) ASSERT_EQ(stage.Screen().At(x, y), first);
        shades.push_back(first);
    });
    stage.Run();
    ASSERT_GE(shades.size(), 16u);
    EXPECT_EQ(shades.back(), 0x00EDCBA9u);
    Pixel previous = 0x00123456;
    for (Pixel shade : shades) {
        EXPECT_GE((shade >> 16) & 0xFF, (previous >> 16) & 0xFF);
        EXPECT_GE((shade >> 8) & 0xFF, (previous >> 8) & 0xFF);
        EXPECT_GE(shade & 0xFF, previous & 0xFF);
        EXPECT_EQ(shade & 0xFF000000u, 0u);
        previous = shade;
    }
    EXPECT_NE(shades.front(), 0x00123456u);
}

TEST(Effect, DissolveOrderFollowsTheClock) {
    // The same dissolve started at another time picks its cells in another
    // order.
    auto firstFrame = [](uint64_t startMs) {
        EffectStage stage(6, kPicture, {20, 15});
        stage.Scene().clock.Advance(startMs);
        Surface first;
        stage.OnDraw([&](int draw) {
            if (draw == 1) first = stage.Screen();
        });
        stage.Run();
        EXPECT_TRUE(stage.Ended());
        return first;
    };
    EXPECT_FALSE(test::SameSurface(firstFrame(0), firstFrame(12345)));
}

}  // namespace
}  // namespace korv

namespace korv {
namespace {

TEST(EffectFade, EachLevelScalesEveryColourByteByLevelOver256) {
    // One pixel per byte value, with the three channels all different.
    Surface picture(256, 1);
    for (int v = 0; v < 256; ++v) picture.Set(v, 0, (Pixel(v) << 16) | (Pixel(255 - v) << 8) | Pixel(v / 2));
    test::CanvasScene scene({256, 1});
    int draws = 0;
    scene.window.onDraw = [&](const Surface& screen) {
        const int level = draws++;
        if (level >= 256) return;  // the closing copy of the picture
        for (int v = 0; v < 256; ++v) {
            const Pixel expected = (Pixel(v * level / 256) << 16) | (Pixel((255 - v) * level / 256) << 8) |
                                   Pixel((v / 2) * level / 256);
            ASSERT_EQ(screen.At(v, 0), expected) << "level " << level << ", value " << v;
        }
    };
    EffectRun run;
    run.effectNumber = 4;
    run.picture = &picture;
    run.area = picture.Bounds();
    run.speedValue = 1000;
    RunEffect(scene, run);
    EXPECT_EQ(draws, 257);
    EXPECT_TRUE(test::SameSurface(scene.window.screen, picture));
}

}  // namespace
}  // namespace korv
