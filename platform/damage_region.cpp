#include "platform/damage_region.h"

#include <algorithm>

namespace korv::platform {

namespace {

int64_t AreaOf(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height(); }

}  // namespace

Rect DamageRegion::Bounds() const {
    if (count_ == 0) return {};
    Rect bounds = rects_[0];
    for (size_t i = 1; i < count_; ++i) bounds = bounds.Union(rects_[i]);
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
        if (rects_[i].Holds(area)) return;
    // Merge with every rectangle whose union with the new one costs no more
    // pixels than the two apart (a move's old and new places, say), and
    // drop those the new one holds; a merge may enable another, so repeat.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < count_; ++i) {
            const Rect& r = rects_[i];
            if (r.Holds(area)) return;
            const Rect joined = r.Union(area);
            if (area.Holds(r) || AreaOf(joined) <= AreaOf(r) + AreaOf(area)) {
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
    Rect all = Bounds().Union(area);
    count_ = 0;
    rects_[count_++] = all;
}

}  // namespace korv::platform
