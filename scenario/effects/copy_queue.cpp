#include "scenario/effects/copy_queue.h"

#include <algorithm>
#include <cstdint>

namespace korv::effects {

namespace {

constexpr size_t kMostTiles = 4096;

int64_t AreaOf(const Rect& r) { return int64_t{r.Width()} * r.Height(); }

}  // namespace

bool TileTheirBounds(std::vector<Rect>& rects, Rect& bounds) {
    if (rects.empty() || rects.size() > kMostTiles) return false;
    bounds = rects.front();
    int64_t area = 0;
    for (const Rect& r : rects) {
        bounds = bounds.Union(r);
        area += AreaOf(r);
    }
    if (area != AreaOf(bounds)) return false;
    // Equal areas fill the bounds exactly when nothing overlaps. Sorted by
    // left edge, a rectangle can only overlap those after it that start
    // before its right edge.
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.left < b.left; });
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = i + 1; j < rects.size() && rects[j].left < rects[i].right; ++j)
            if (!rects[i].Intersect(rects[j]).IsEmpty()) return false;
    return true;
}

void CopyQueue::EndStep(const platform::Painter& painter) {
    const size_t start = stepStart_;
    stepStart_ = copies_.size();
    if (start == 0 || start == copies_.size()) return;  // nothing earlier waits, or nothing new
    std::vector<Rect> drawn;
    drawn.reserve(copies_.size() - start);
    for (size_t i = start; i < copies_.size(); ++i) {
        const Rect r = painter.CopiedRect(copies_[i]);
        if (!r.IsEmpty()) drawn.push_back(r);
    }
    Rect covered;
    if (!TileTheirBounds(drawn, covered)) return;
    const auto end = std::remove_if(copies_.begin(), copies_.begin() + static_cast<std::ptrdiff_t>(start),
                                    [&](const CopyRequest& copy) {
                                        const Rect r = painter.CopiedRect(copy);
                                        return r.IsEmpty() || covered.Holds(r);
                                    });
    copies_.erase(end, copies_.begin() + static_cast<std::ptrdiff_t>(start));
    stepStart_ = copies_.size();
}

void CopyQueue::DrawWith(platform::Painter& painter) {
    painter.CopyMany(copies_);
    copies_.clear();
    stepStart_ = 0;
}

}  // namespace korv::effects
