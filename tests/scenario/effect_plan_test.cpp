#include "scenario/effects/effect_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>

namespace korv {
namespace {

TEST(EffectPlan, EveryNumberResolvesToWhatShowDoesWithIt) {
    EXPECT_EQ(ResolveEffect(0).kind, EffectKind::Plain);
    EXPECT_EQ(ResolveEffect(1).kind, EffectKind::FullScreen);
    EXPECT_EQ(ResolveEffect(2).kind, EffectKind::FullScreen);
    EXPECT_EQ(ResolveEffect(3).kind, EffectKind::Random);
    for (int32_t number = 0; number <= 3; ++number) {
        EXPECT_EQ(ResolveEffect(number).family, nullptr) << number;
        EXPECT_FALSE(ResolveEffect(number).Unclipped()) << number;
    }

    // Each transition lands on its own number in its family's list; only the
    // fades are given the whole picture.
    for (int32_t number = kFirstEffect; number <= kLastEffect; ++number) {
        const EffectPlan plan = ResolveEffect(number);
        ASSERT_EQ(plan.kind, EffectKind::Transition) << number;
        ASSERT_NE(plan.family, nullptr) << number;
        ASSERT_GE(plan.variant, 0) << number;
        ASSERT_LT(static_cast<size_t>(plan.variant), plan.family->numbers.size()) << number;
        EXPECT_EQ(plan.family->numbers[static_cast<size_t>(plan.variant)], number);
        EXPECT_EQ(plan.Unclipped(), number == 4 || number == 65) << number;
    }

    for (int32_t number : {-1, -2, -3, -87, std::numeric_limits<int32_t>::min(), 88, 89, 90, 1000,
                           std::numeric_limits<int32_t>::max()}) {
        const EffectPlan plan = ResolveEffect(number);
        EXPECT_EQ(plan.kind, EffectKind::None) << number;
        EXPECT_EQ(plan.family, nullptr) << number;
        EXPECT_FALSE(plan.Unclipped()) << number;
    }
}

TEST(EffectCatalogue, EveryTransitionNumberBelongsToExactlyOneFamily) {
    std::map<int, int> families;
    int previousFirst = kFirstEffect - 1;
    for (const EffectFamily& family : EffectCatalogue()) {
        ASSERT_FALSE(family.numbers.empty());
        EXPECT_NE(family.run, nullptr);
        EXPECT_GT(family.numbers.front(), previousFirst);
        previousFirst = family.numbers.front();
        for (int number : family.numbers) {
            EXPECT_GE(number, kFirstEffect);
            EXPECT_LE(number, kLastEffect);
            ++families[number];
        }
    }
    EXPECT_EQ(families.size(), static_cast<size_t>(kLastEffect - kFirstEffect + 1));
    for (auto [number, count] : families) EXPECT_EQ(count, 1) << number;
}

}  // namespace
}  // namespace korv
