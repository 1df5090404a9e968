#pragma once
// The random sources of scenarios: a small generator with a range, and the
// seeds that mix time, the tick count and the saver's own figure so that
// two savers started together still differ.

#include <cstdint>

namespace korv {

// The classic 15-bit linear congruential generator (values 0–32767), with its
// own state so that threads do not disturb each other's sequences.
class RandomGenerator {
public:
    explicit RandomGenerator(uint32_t seed = 1) : state_(seed) {}
    void Seed(uint32_t seed) { state_ = seed; }
    int32_t Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

class RandomRange {
public:
    // A seed of 0 takes the current time in seconds.
    explicit RandomRange(uint32_t seed);
    // Bounds compared as unsigned numbers: (0, 0) is the default 0–32767;
    // low ≥ high is refused (false) and nothing changes.
    bool SetRange(uint32_t low, uint32_t high);
    int32_t Next();

private:
    RandomGenerator generator_;
    uint32_t low_ = 0;
    uint32_t high_ = 32767;
    double scale_ = 1.0;
};

// A seed for a block's generator: advances `blockSeed` and mixes it with the
// time (`wallMilliseconds`, the millisecond part of the clock), two tick
// counts and the saver's figure `timesFigure`.
uint32_t MixedSeed(uint32_t& blockSeed, uint32_t wallMilliseconds, uint32_t tickBefore, uint32_t tickAfter,
                   int32_t timesFigure);

// A fresh seed for a new placement or colour block.
uint32_t NewBlockSeed();

}  // namespace korv
