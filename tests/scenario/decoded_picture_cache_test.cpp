#include "scenario/decoded_picture_cache.h"

#include <gtest/gtest.h>

#include <memory>

#include <vector>

namespace korv {
namespace {

std::shared_ptr<const platform::Surface> Plain(int width, int height, platform::Pixel pixel) {
    auto s = std::make_shared<platform::Surface>(width, height);
    for (platform::Pixel& p : s->Pixels()) p = pixel;
    return s;
}

TEST(DecodedPictureCacheTest, APictureIsFoundOnlyForTheSameBytesAndSize) {
    DecodedPictureCache cache(1 << 20);
    std::vector<uint8_t> encoded(1000, 7);
    cache.Keep(encoded, {10, 10}, Plain(10, 10, 0x123456));
    auto found = cache.Find(encoded, {10, 10});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->At(9, 9), 0x123456u);

    EXPECT_FALSE(cache.Find(encoded, {10, 11}));  // shown at another size
    std::vector<uint8_t> changed = encoded;
    changed[999] = 8;  // one byte differs, even the last
    EXPECT_FALSE(cache.Find(changed, {10, 10}));
    std::vector<uint8_t> longer = encoded;
    longer.push_back(7);
    EXPECT_FALSE(cache.Find(longer, {10, 10}));
}

TEST(DecodedPictureCacheTest, TheLeastRecentlyUsedGoFirstAndTheBudgetHolds) {
    const size_t picture = 100 * 100 * sizeof(platform::Pixel);
    DecodedPictureCache cache(3 * picture);
    std::vector<uint8_t> a(10, 1), b(10, 2), c(10, 3), d(10, 4);
    cache.Keep(a, {100, 100}, Plain(100, 100, 1));
    cache.Keep(b, {100, 100}, Plain(100, 100, 2));
    cache.Keep(c, {100, 100}, Plain(100, 100, 3));
    ASSERT_TRUE(cache.Find(a, {100, 100}));  // a is now the most recent
    cache.Keep(d, {100, 100}, Plain(100, 100, 4));
    EXPECT_FALSE(cache.Find(b, {100, 100}));
    EXPECT_TRUE(cache.Find(a, {100, 100}));
    EXPECT_TRUE(cache.Find(c, {100, 100}));
    EXPECT_TRUE(cache.Find(d, {100, 100}));
    EXPECT_EQ(cache.Bytes(), 3 * picture);

    // Keeping the same picture again replaces it; one beyond the budget is not kept.
    cache.Keep(d, {100, 100}, Plain(100, 100, 5));
    EXPECT_EQ(cache.Find(d, {100, 100})->At(0, 0), 5u);
    // A picture dropped for room stays whole for whoever still shows it.
    auto shown = cache.Find(c, {100, 100});
    ASSERT_TRUE(shown);
    for (uint8_t key = 10; key < 13; ++key) cache.Keep(std::vector<uint8_t>(10, key), {100, 100}, Plain(100, 100, key));
    EXPECT_FALSE(cache.Find(c, {100, 100}));
    EXPECT_EQ(shown->At(99, 99), 3u);
    EXPECT_EQ(cache.Bytes(), 3 * picture);
    cache.Keep(a, {200, 200}, Plain(200, 200, 6));
    EXPECT_FALSE(cache.Find(a, {200, 200}));
    EXPECT_EQ(cache.Bytes(), 3 * picture);
}

}  // namespace
}  // namespace korv
