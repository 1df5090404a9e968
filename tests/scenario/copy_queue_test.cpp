#include "scenario/effects/copy_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/painter.h"
#include "platform/surface.h"
#include "tests/support/canvas_scene.h"

namespace korv::effects {
namespace {

using platform::Painter;
using platform::Surface;

TEST(TileTheirBounds, SideBySideFillsOverlapOrGapDoesNot) {
    Rect bounds;
    std::vector<Rect> halves{{0, 0, 10, 5}, {0, 5, 10, 20}};
    EXPECT_TRUE(TileTheirBounds(halves, bounds));
    EXPECT_EQ(bounds, (Rect{0, 0, 10, 20}));

    std::vector<Rect> one{{3, 4, 5, 6}};
    EXPECT_TRUE(TileTheirBounds(one, bounds));

    std::vector<Rect> gap{{0, 0, 4, 4}, {6, 0, 10, 4}};
    EXPECT_FALSE(TileTheirBounds(gap, bounds));

    // The areas add up to the bounds, but one square overlaps another and
    // leaves a corner empty.
    std::vector<Rect> overlapAndHole{{0, 0, 2, 2}, {1, 0, 3, 2}, {0, 2, 2, 4}, {2, 2, 4, 4}};
    EXPECT_FALSE(TileTheirBounds(overlapAndHole, bounds));

    std::vector<Rect> columns;
    for (int x = 0; x < 240; x += 8) {
        columns.push_back({x, 0, x + 8, 30 + x % 16});
        columns.push_back({x, 30 + x % 16, x + 8, 100});
    }
    EXPECT_TRUE(TileTheirBounds(columns, bounds));
    EXPECT_EQ(bounds, (Rect{0, 0, 240, 100}));

    std::vector<Rect> none;
    EXPECT_FALSE(TileTheirBounds(none, bounds));
}

class CopyQueueTest : public ::testing::Test {
protected:
    Surface screen{40, 30};
    Surface picture = test::PatternSurface(40, 30, 1);
    Surface old = test::PatternSurface(40, 30, 2);
    Painter painter{screen};
    CopyQueue queue;

    // Draws every step of `steps` straight (as if the screen kept up) and
    // through the queue ending each step, and compares the two screens.
    void ExpectSameAsDrawingEveryStep(const std::vector<std::vector<CopyQueue::CopyRequest>>& steps) {
        Surface straight(40, 30);
        Painter direct(straight);
        for (const auto& step : steps) {
            direct.CopyMany(step);
            for (const auto& copy : step) queue.Add(copy);
            queue.EndStep(painter);
        }
        queue.DrawWith(painter);
        EXPECT_TRUE(test::SameSurface(screen, straight));
    }
};

TEST_F(CopyQueueTest, AStepThatCoversTheAreaDropsWhatWaitedUnderIt) {
    // A push: the picture's rows from the top, the old content below.
    std::vector<std::vector<CopyQueue::CopyRequest>> steps;
    for (int j = 2; j <= 30; j += 2)
        steps.push_back({{{0, 0}, &picture, {0, 30 - j, 40, 30}}, {{0, j}, &old, {0, 0, 40, 30 - j}}});
    for (const auto& step : steps) {
        for (const auto& copy : step) queue.Add(copy);
        queue.EndStep(painter);
        EXPECT_LE(queue.Size(), 2u);
    }
    queue.DrawWith(painter);
    EXPECT_TRUE(queue.Empty());
    EXPECT_TRUE(test::SameSurface(screen, picture));  // the last step: all of the picture
}

TEST_F(CopyQueueTest, WhatIsNotCoveredKeepsWaitingInOrder) {
    // Lines added one by one never cover each other; an earlier copy partly
    // outside a covering step stays; a later copy over an earlier one wins.
    ExpectSameAsDrawingEveryStep({
        {{{0, 0}, &picture, {0, 0, 40, 1}}},
        {{{0, 1}, &picture, {0, 1, 40, 2}}},
        {{{5, 5}, &old, {0, 0, 20, 20}}},
        {{{0, 0}, &picture, {0, 0, 10, 10}}},
        {{{10, 10}, &picture, {10, 10, 30, 30}}},
        {{{8, 8}, &old, {0, 0, 4, 4}}, {{12, 8}, &old, {4, 0, 8, 4}}},
    });
}

TEST_F(CopyQueueTest, CopiesClippedAwayDrawNothingAndAreDropped) {
    painter.SetClip({0, 0, 20, 30});
    queue.Add({{25, 0}, &picture, {0, 0, 10, 10}});  // wholly outside the clip
    queue.EndStep(painter);
    queue.Add({{0, 0}, &picture, {0, 0, 20, 30}});
    queue.EndStep(painter);
    EXPECT_EQ(queue.Size(), 1u);
    queue.DrawWith(painter);
    EXPECT_EQ(screen.At(25, 0), 0u);
    EXPECT_EQ(screen.At(19, 29), picture.At(19, 29));
}

}  // namespace
}  // namespace korv::effects
