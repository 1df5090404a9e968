#include "scenario/movement.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "scenario/flow_commands.h"
#include "scenario/object_drawing.h"
#include "tests/support/canvas_scene.h"

namespace korv {
namespace {

PlacementBlock Move(int x1, int y1, int x2, int y2, int step) { return test::MovePlacement(x1, y1, x2, y2, step); }

// Resolves the placement and steps it to the end; returns the positions.
std::vector<Point> Walk(PlacementBlock p) {
    ResolvePlacement(p, {10, 10}, {1024, 768}, {});
    std::vector<Point> path;
    for (int guard = 0; guard < 10000; ++guard) {
        bool ended = StepPlacement(p);
        path.push_back({p.curX, p.curY});
        if (ended) break;
    }
    return path;
}

TEST(Movement, HorizontalMovesEndAtOrJustBeyondTheEnd) {
    auto exact = Walk(Move(0, 100, 300, 100, 10));
    EXPECT_EQ(exact.size(), 30u);
    EXPECT_EQ(exact.back(), (Point{300, 100}));

    auto beyond = Walk(Move(0, 100, 300, 100, 7));
    EXPECT_EQ(beyond.back(), (Point{301, 100}));
    for (const Point& p : beyond) EXPECT_NE(p.x, 300);

    auto leftwards = Walk(Move(300, 0, 0, 0, 10));  // a positive step is turned round
    EXPECT_EQ(leftwards.front(), (Point{290, 0}));
    EXPECT_EQ(leftwards.back(), (Point{0, 0}));
}

TEST(Movement, VerticalMovesFollowTheStepAsWritten) {
    auto down = Walk(Move(100, 0, 100, 200, 5));
    EXPECT_EQ(down.size(), 40u);
    EXPECT_EQ(down.back(), (Point{100, 200}));

    auto upWithPositiveStep = Walk(Move(100, 200, 100, 0, 5));
    EXPECT_EQ(upWithPositiveStep, (std::vector<Point>{{100, 205}}));  // one step down, then it ends

    auto up = Walk(Move(100, 200, 100, 0, -5));
    EXPECT_EQ(up.back(), (Point{100, 0}));
    EXPECT_EQ(up.size(), 40u);

    EXPECT_EQ(Walk(Move(50, 50, 50, 50, 3)).size(), 1u);  // start equals end: one step
}

TEST(Movement, DiagonalMovesComputeTheOtherCoordinateFromTheLine) {
    auto path = Walk(Move(0, 0, 100, 50, 10));
    EXPECT_EQ(path[0], (Point{10, 5}));
    EXPECT_EQ(path[4], (Point{50, 25}));
    EXPECT_EQ(path.back(), (Point{100, 50}));
}

TEST(Movement, AStepLeftOutMovesByOnePixelTowardsTheEnd) {
    for (auto [from, to] : {std::pair{Point{20, 5}, Point{10, 5}}, {Point{10, 5}, Point{20, 5}},
                            {Point{5, 20}, Point{5, 10}}, {Point{5, 10}, Point{5, 20}}}) {
        SCOPED_TRACE(testing::Message() << from.x << "," << from.y << " to " << to.x << "," << to.y);
        auto path = Walk(Move(from.x, from.y, to.x, to.y, 0));
        ASSERT_EQ(path.size(), 10u);
        EXPECT_EQ(std::abs(path[0].x - from.x) + std::abs(path[0].y - from.y), 1);
        EXPECT_EQ(path.back(), to);
    }
}

TEST(Movement, MovesAtTheEndsOfTheCoordinateRangeNeitherWrapNorRunOn) {
    // Steps that would carry a coordinate beyond the range stop at its end.
    EXPECT_EQ(Walk(Move(INT_MAX - 10, 0, INT_MAX, 0, 7)), (std::vector<Point>{{INT_MAX - 3, 0}, {INT_MAX, 0}}));
    EXPECT_EQ(Walk(Move(INT_MIN + 10, 0, INT_MIN, 0, 7)), (std::vector<Point>{{INT_MIN + 3, 0}, {INT_MIN, 0}}));
    EXPECT_EQ(Walk(Move(5, INT_MIN, 5, INT_MAX, 1 << 30)),
              (std::vector<Point>{{5, -(1 << 30)}, {5, 0}, {5, 1 << 30}, {5, INT_MAX}}));
    // The most negative step turns round to the largest positive one.
    EXPECT_EQ(Walk(Move(0, 0, 100, 0, INT_MIN)), (std::vector<Point>{{INT_MAX, 0}}));

    // The other coordinate follows the line even when the points are far apart.
    auto steep = Walk(Move(0, -2'000'000'000, 10, 2'000'000'000, 1));
    ASSERT_EQ(steep.size(), 10u);
    EXPECT_EQ(steep[4], (Point{5, 0}));
    EXPECT_EQ(steep.back(), (Point{10, 2'000'000'000}));
    for (size_t i = 1; i < steep.size(); ++i) EXPECT_GT(steep[i].y, steep[i - 1].y);
}

TEST(Movement, AFreeMoveThatCanNoLongerAdvanceEnds) {
    PlacementBlock still;
    still.freeMove = 1;
    still.stepX = still.stepY = 0;
    still.boundMode = still.boundLimit = 9;  // tests that never hold
    EXPECT_EQ(Walk(still).size(), 1u);

    PlacementBlock edge = still;
    edge.x1 = INT_MAX - 100;
    edge.x2 = INT_MAX;
    edge.stepX = 1 << 30;
    edge.stepY = 0;
    auto path = Walk(edge);
    EXPECT_EQ(path.back(), (Point{INT_MAX, 0}));
    EXPECT_LE(path.size(), 2u);
}

TEST(Placement, AnchorsResolveAgainstTheScreenAndTheObject) {
    PlacementBlock p;
    p.anchorX1 = 1;
    p.anchorY1 = 2;
    p.anchorX2 = 0;
    p.anchorY2 = 4;
    ResolvePlacement(p, {100, 40}, {1024, 768}, {});
    EXPECT_EQ(p.x1, 462);
    EXPECT_EQ(p.y1, 728);
    EXPECT_EQ(p.x2, 0);
    EXPECT_GT(p.y2, 0);
    EXPECT_LT(p.y2, 728);
    EXPECT_EQ(p.curX, 462);

    PlacementBlock wide;
    wide.anchorX1 = 4;
    ResolvePlacement(wide, {2000, 10}, {1024, 768}, {});
    EXPECT_EQ(wide.x1, 0);  // random-inside cannot fit: 0

    PlacementBlock random;
    random.anchorX1 = 3;
    random.anchorY1 = 3;
    for (int i = 0; i < 200; ++i) {
        ResolvePlacement(random, {50, 50}, {640, 480}, {});
        EXPECT_GE(random.x1, -50);
        EXPECT_LT(random.x1, 640);
        EXPECT_GE(random.y1, -50);
        EXPECT_LT(random.y1, 480);
    }
}

TEST(RandomSources, WaitsEffectsAndColoursStayInTheirRanges) {
    WaitCommand wait;
    wait.random = 1;
    wait.milliseconds = 1000;
    for (uint32_t i = 0; i < 500; ++i) {
        int32_t previous = wait.milliseconds;
        PickWait(wait, 1'800'000'000u + i);
        EXPECT_GE(std::abs(wait.milliseconds - previous), 150);
        EXPECT_GE(wait.milliseconds, 0);
        EXPECT_LE(wait.milliseconds, 3000);
    }
    std::set<int32_t> effects;
    for (uint32_t tick = 0; tick < 2000; ++tick) {
        int32_t effect = PickEffect(3, tick * 7919, tick % 1000);
        EXPECT_GE(effect, 4);
        EXPECT_LE(effect, 87);
        effects.insert(effect);
    }
    EXPECT_GT(effects.size(), 60u);
    EXPECT_EQ(PickEffect(12, 5, 5), 12);

    ColourBlock colour;
    colour.randomColour = 1;
    std::set<uint32_t> colours;
    for (uint32_t i = 0; i < 50; ++i) {
        PickColour(colour, {i, i * 3, i * 5, 7});
        EXPECT_LE(colour.colour, 0xFFFFFFu);
        colours.insert(colour.colour);
    }
    EXPECT_GT(colours.size(), 40u);
}

TEST(RandomSources, RangesFollowTheirRules) {
    RandomRange range(12345);
    EXPECT_FALSE(range.SetRange(10, 10));
    EXPECT_FALSE(range.SetRange(20, 10));
    ASSERT_TRUE(range.SetRange(100, 200));
    for (int i = 0; i < 1000; ++i) {
        int32_t value = range.Next();
        EXPECT_GE(value, 100);
        EXPECT_LE(value, 201);
    }
    RandomRange same(12345), other(12345);
    EXPECT_EQ(same.Next(), other.Next());  // a seed gives one sequence
}

}  // namespace
}  // namespace korv

namespace korv {
namespace {

TEST(DisplaySizes, FitScreenKeepsOrIgnoresTheAspect) {
    VisualObject picture;
    picture.naturalWidth = 400;
    picture.naturalHeight = 300;
    picture.fitScreen = 1;
    picture.keepAspect = 1;
    EXPECT_EQ(DisplaySize(picture, {1024, 768}), (Size{1024, 768}));
    picture.naturalHeight = 200;
    EXPECT_EQ(DisplaySize(picture, {1024, 768}), (Size{1024, 512}));
    picture.keepAspect = 0;
    EXPECT_EQ(DisplaySize(picture, {1024, 768}), (Size{1024, 768}));
    picture.fitScreen = 0;
    picture.width = 50;
    EXPECT_EQ(DisplaySize(picture, {1024, 768}), (Size{50, 0}));
    picture.width = 0;
    EXPECT_EQ(DisplaySize(picture, {1024, 768}), (Size{400, 200}));
}

}  // namespace
}  // namespace korv
