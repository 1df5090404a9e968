#include "scenario/random_range.h"

#include <atomic>
#include <chrono>
#include <random>

#include "platform/clock.h"

namespace korv {

RandomRange::RandomRange(uint32_t seed) {
    if (seed == 0) seed = static_cast<uint32_t>(platform::SystemClock().Now());
    generator_.Seed(seed);
    generator_.Seed((seed << 8) | (static_cast<uint32_t>(generator_.Next()) & 0xFF));
}

bool RandomRange::SetRange(uint32_t low, uint32_t high) {
    if (low == 0 && high == 0) {
        high = 32767;
    } else if (low >= high) {
        return false;
    }
    low_ = low;
    high_ = high;
    scale_ = (static_cast<double>(high_) + 1.0 - low_) / 32767.0;
    return true;
}

int32_t RandomRange::Next() {
    return static_cast<int32_t>(static_cast<int64_t>(generator_.Next() * scale_) + low_);
}

uint32_t MixedSeed(uint32_t& blockSeed, uint32_t wallMilliseconds, uint32_t tickBefore, uint32_t tickAfter,
                   int32_t timesFigure) {
    blockSeed += 100;
    RandomGenerator generator(blockSeed);
    int64_t r1 = generator.Next();
    int64_t r2 = generator.Next();
    if (r2 == 0) r2 = 2;
    // 32-bit arithmetic as the figures were once computed, without overflow.
    auto low32 = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
    int32_t mixed = low32((int64_t{tickBefore} << 16) | ((r1 * wallMilliseconds) & 0xFFFF));
    int64_t v = low32(int64_t{mixed} * timesFigure) / r2;
    int64_t rest = tickAfter % static_cast<uint32_t>(r2);
    return static_cast<uint32_t>(v + rest * rest);
}

uint32_t NewBlockSeed() {
    static std::atomic<uint32_t> next{static_cast<uint32_t>(std::random_device{}())};
    return next.fetch_add(0x9E3779B9u);
}

}  // namespace korv
