#pragma once
// The parts of a surface that changed since they were last shown: a short
// list of rectangles. Rectangles that overlap enough are merged, and past
// kMaxRects everything becomes one rectangle around it all, so the list
// stays short and cheap to add to whatever is drawn; the region may cover
// more than what changed, never less.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/geometry.h"

namespace korv::platform {

class DamageRegion {
public:
    static constexpr size_t kMaxRects = 16;

    bool Empty() const { return count_ == 0; }
    std::span<const Rect> Rects() const { return {rects_.data(), count_}; }
    // The smallest rectangle holding the whole region.
    Rect Bounds() const;
    // Pixels covered, counting overlaps once per rectangle.
    int64_t Area() const;

    // Adds `area` (empty rectangles add nothing).
    void Add(Rect area);
    void Add(const DamageRegion& other) {
        for (const Rect& r : other.Rects()) Add(r);
    }
    void Clear() { count_ = 0; }

private:
    void Remove(size_t index) { rects_[index] = rects_[--count_]; }

    std::array<Rect, kMaxRects> rects_{};
    size_t count_ = 0;
};

}  // namespace korv::platform
