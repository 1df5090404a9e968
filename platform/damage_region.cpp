#include "platform/damage_region.h"

#include <algorithm>

namespace korv::platform {

namespace {

int64_t AreaOf(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height(); }

Rect Union(const Rect& a, const Rect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

bool Holds(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

Rect DamageRegion::Bounds() const {
    if (count_ == 0) return {};
    Rect bounds = rects_[0];
    for (size_t i = 1; i < count_; ++i) bounds = Union(bounds, rects_[i]);
    return bounds;
}

int64_t DamageRegion::Area() const {
    int64_t area = 0;
    for (const Rect& r : Rects()) area += AreaOf(r);
    return area;
}

void DamageRegion::Add(Rect area) {
    if (area.IsEmpty()) return;
    // Most additions fall inside what is already there (an effect drawing
    // thousands of small cells): answer those without trying merges.
    for (size_t i = 0; i < count_; ++i)
        if (Holds(rects_[i], area)) return;
    // Merge with every rectangle whose union with the new one costs no more
    // pixels than the two apart (a move's old and new places, say), and
    // drop those the new one holds; a merge may enable another, so repeat.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < count_; ++i) {
            const Rect& r = rects_[i];
            if (Holds(r, area)) return;
            const Rect joined = Union(r, area);
            if (Holds(area, r) || AreaOf(joined) <= AreaOf(r) + AreaOf(area)) {
                area = joined;
                Remove(i);
                merged = true;
                break;
            }
        }
    }
    if (count_ < kMaxRects) {
        rects_[count_++] = area;
        return;
    }
    // Full: scattered drawing (an effect's thousands of cells) becomes one
    // rectangle around it all, which later cells mostly fall inside.
    Rect all = Union(Bounds(), area);
    count_ = 0;
    rects_[count_++] = all;
}

}  // namespace korv::platform
