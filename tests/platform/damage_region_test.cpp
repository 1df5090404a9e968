#include "platform/damage_region.h"

#include <gtest/gtest.h>

#include <random>

namespace korv::platform {
namespace {

bool Covers(const DamageRegion& region, int x, int y) {
    for (const Rect& r : region.Rects())
        if (r.Contains(x, y)) return true;
    return false;
}

TEST(DamageRegionTest, AMovesOldAndNewPlacesBecomeOneRectangleAndDistantPartsStayApart) {
    DamageRegion region;
    region.Add({100, 50, 500, 350});
    region.Add({101, 50, 501, 350});
    ASSERT_EQ(region.Rects().size(), 1u);
    EXPECT_EQ(region.Rects()[0], (Rect{100, 50, 501, 350}));

    // Far from it: joining would cover a lot that did not change.
    region.Add({1500, 900, 1510, 910});
    EXPECT_EQ(region.Rects().size(), 2u);
    // Inside what is there, or empty: nothing new.
    region.Add({200, 100, 210, 110});
    region.Add({5, 5, 5, 50});
    EXPECT_EQ(region.Rects().size(), 2u);
    EXPECT_EQ(region.Bounds(), (Rect{100, 50, 1510, 910}));
    region.Clear();
    EXPECT_TRUE(region.Empty());
}

TEST(DamageRegionTest, ManyScatteredRectanglesStayFewAndEveryChangedPixelIsCovered) {
    // A checkerboard's cells and random strips: the list stays within its
    // limit, and no pixel that was added is ever left out.
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        DamageRegion region;
        std::vector<Rect> added;
        for (int i = 0; i < 300; ++i) {
            const int x = static_cast<int>(random() % 600), y = static_cast<int>(random() % 400);
            const Rect r = round % 2 ? Rect::FromSize(x / 16 * 32, y / 16 * 32, 1, 16)
                                     : Rect::FromSize(x, y, 1 + static_cast<int>(random() % 40), 1 + static_cast<int>(random() % 40));
            region.Add(r);
            added.push_back(r);
            ASSERT_LE(region.Rects().size(), DamageRegion::kMaxRects);
        }
        for (const Rect& r : added)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) ASSERT_TRUE(Covers(region, x, y)) << x << ", " << y;
    }
}

}  // namespace
}  // namespace korv::platform
