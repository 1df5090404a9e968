#include "platform/painter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <vector>

namespace korv::platform {

namespace {

constexpr Pixel kColourBits = 0x00FFFFFF;

// Where a block copy lands once clipped: `width` x `height` pixels from
// (sourceX, sourceY) of the source to (x, y) of the target.
struct BlitArea {
    int x = 0;
    int y = 0;
    int sourceX = 0;
    int sourceY = 0;
    int width = 0;
    int height = 0;
};

// Clips sourceRect to the source, moves it to `destination` and clips it to
// `clip` (which lies within the target). The offset is kept in 64 bits: with
// extreme coordinates it does not fit in an int.
bool ClipBlit(const Rect& clip, Point destination, const Surface& source, const Rect& sourceRect, BlitArea& area) {
    Rect inSource = sourceRect.Intersect(source.Bounds());
    if (inSource.IsEmpty()) return false;
    int64_t offsetX = int64_t{destination.x} - sourceRect.left;
    int64_t offsetY = int64_t{destination.y} - sourceRect.top;
    int64_t left = std::max<int64_t>(inSource.left + offsetX, clip.left);
    int64_t top = std::max<int64_t>(inSource.top + offsetY, clip.top);
    int64_t right = std::min<int64_t>(inSource.right + offsetX, clip.right);
    int64_t bottom = std::min<int64_t>(inSource.bottom + offsetY, clip.bottom);
    if (left >= right || top >= bottom) return false;
    area = {static_cast<int>(left),          static_cast<int>(top),
            static_cast<int>(left - offsetX), static_cast<int>(top - offsetY),
            static_cast<int>(right - left),  static_cast<int>(bottom - top)};
    return true;
}

bool Overlaps(const BlitArea& a) {
    return a.x < a.sourceX + a.width && a.sourceX < a.x + a.width && a.y < a.sourceY + a.height &&
           a.sourceY < a.y + a.height;
}

// A clipped copy from another surface; `order` is its place among the
// copies asked for together.
struct ClippedCopy {
    BlitArea area;
    const Surface* source;
    size_t order;
};

// The rows of a narrow area, `Width` pixels each, with fixed-size moves (a
// loop of variable length may become a call to memcpy per row, which costs
// more than the copy).
template <int Width>
void CopyNarrowRows(Surface& target, const Surface& source, const BlitArea& a) {
    Pixel* to = target.Row(a.y) + a.x;
    const Pixel* from = source.Row(a.sourceY) + a.sourceX;
    const size_t toStride = static_cast<size_t>(target.Width()), fromStride = static_cast<size_t>(source.Width());
    for (int row = 0; row < a.height; ++row, to += toStride, from += fromStride)
        std::memcpy(to, from, Width * sizeof(Pixel));
}

// A plain copy between two distinct surfaces.
void CopyArea(Surface& target, const Surface& source, const BlitArea& a) {
    const size_t rowBytes = static_cast<size_t>(a.width) * sizeof(Pixel);
    if (a.width == target.Width() && a.width == source.Width()) {
        std::memcpy(target.Row(a.y), source.Row(a.sourceY), rowBytes * static_cast<size_t>(a.height));
    } else if (a.width <= 8) {
        // Narrow strips (the line effects' columns, cells).
        switch (a.width) {
            case 1: return CopyNarrowRows<1>(target, source, a);
            case 8: return CopyNarrowRows<8>(target, source, a);
            default:
                for (int row = 0; row < a.height; ++row) {
                    Pixel* __restrict to = target.Row(a.y + row) + a.x;
                    const Pixel* __restrict from = source.Row(a.sourceY + row) + a.sourceX;
                    for (int x = 0; x < a.width; ++x) to[x] = from[x];
                }
        }
    } else {
        for (int row = 0; row < a.height; ++row)
            std::memcpy(target.Row(a.y + row) + a.x, source.Row(a.sourceY + row) + a.sourceX, rowBytes);
    }
}

void OrRow(Pixel* __restrict to, const Pixel* __restrict from, int count) {
    for (int i = 0; i < count; ++i) to[i] = (to[i] | from[i]) & kColourBits;
}

void AndRow(Pixel* __restrict to, const Pixel* __restrict from, int count) {
    for (int i = 0; i < count; ++i) to[i] = to[i] & from[i] & kColourBits;
}

// Row-by-row combination of a clipped area whose source does not overlap
// its destination.
template <typename RowOp>
void CombineRows(Surface& target, const Surface& source, const BlitArea& a, RowOp rowOp) {
    for (int row = 0; row < a.height; ++row) {
        rowOp(target.Row(a.y + row) + a.x, source.Row(a.sourceY + row) + a.sourceX, a.width);
    }
}

// Combines through a snapshot of the source when it overlaps the destination
// in the same surface, so that every row reads the source as it was before.
template <typename RowOp>
void CombineSafely(Surface& target, const Surface& source, BlitArea a, RowOp rowOp) {
    if (&source == &target && Overlaps(a)) {
        Surface snapshot = CopyRect(source, Rect::FromSize(a.sourceX, a.sourceY, a.width, a.height));
        a.sourceX = 0;
        a.sourceY = 0;
        CombineRows(target, snapshot, a, rowOp);
    } else {
        CombineRows(target, source, a, rowOp);
    }
}

// Source coordinate sampled by each destination coordinate in
// [first, last) of a stretch from `sourceStart`/`sourceSize` onto
// `destinationStart`/`destinationSize`, trimmed to those inside
// [0, sourceLimit). The samples never decrease, so the ones outside form a
// leading and a trailing run; `first` is moved past the leading one.
std::vector<int> StretchSamples(int64_t destinationStart, int64_t destinationSize, int64_t sourceStart,
                                int64_t sourceSize, int& first, int last, int sourceLimit) {
    std::vector<int> samples;
    samples.reserve(static_cast<size_t>(last - first));
    int skipped = 0;
    for (int d = first; d < last; ++d) {
        // Up to 2^33 * 2^32: needs more than 64 bits.
        __int128 numerator = static_cast<__int128>(2 * (d - destinationStart) + 1) * sourceSize;
        int64_t s = sourceStart + static_cast<int64_t>(numerator / (2 * destinationSize));
        if (s < 0) {
            ++skipped;
            continue;
        }
        if (s >= sourceLimit) break;
        samples.push_back(static_cast<int>(s));
    }
    first += skipped;
    return samples;
}

// On/off runs of the styled width-1 pens, starting with "on".
std::vector<bool> StylePattern(PenStyle style) {
    auto build = [](std::initializer_list<int> runs) {
        std::vector<bool> pattern;
        bool on = true;
        for (int run : runs) {
            pattern.insert(pattern.end(), static_cast<size_t>(run), on);
            on = !on;
        }
        return pattern;
    };
    switch (style) {
        case PenStyle::Dash: return build({18, 6});
        case PenStyle::Dot: return build({3, 3});
        case PenStyle::DashDot: return build({9, 6, 3, 6});
        case PenStyle::DashDotDot: return build({9, 3, 3, 3, 3, 3});
        default: return {};  // solid
    }
}

}  // namespace

Painter::Painter(Surface& target) : target_(target), clip_{INT_MIN, INT_MIN, INT_MAX, INT_MAX} {}

// The stored clip is intersected with the bounds again on every use, so a
// target that is assigned a smaller surface later is still never overrun.
Rect Painter::EffectiveClip() const { return clip_.Intersect(target_.Bounds()); }

Rect Painter::Clip() const { return EffectiveClip(); }

void Painter::SetClip(Rect clip) { clip_ = clip.Intersect(target_.Bounds()); }

void Painter::ResetClip() { clip_ = {INT_MIN, INT_MIN, INT_MAX, INT_MAX}; }

void Painter::SetPixel(Point point, Colour colour) {
    if (!EffectiveClip().Contains(point.x, point.y)) return;
    target_.Set(point.x, point.y, ColourToPixel(colour));
    target_.MarkChanged(Rect::FromSize(point.x, point.y, 1, 1));
}

std::optional<Colour> Painter::GetPixel(Point point) const {
    if (!EffectiveClip().Contains(point.x, point.y)) return std::nullopt;
    return PixelToColour(target_.At(point.x, point.y));
}

namespace {

// Fills `count` pixels. The C library's wmemset (wchar_t is 32 bits here)
// shares memset's tuned code, including the string-store path that skips
// reading the lines it overwrites; a plain loop reaches about 2/3 of that
// on whole frames.
void FillPixels(Pixel* to, size_t count, Pixel pixel) {
    if constexpr (sizeof(wchar_t) == sizeof(Pixel)) {
        std::wmemset(reinterpret_cast<wchar_t*>(to), static_cast<wchar_t>(pixel), count);
    } else {
        std::fill_n(to, count, pixel);
    }
}

}  // namespace

// `area` lies within the clip.
void Painter::FillClipped(const Rect& area, Pixel pixel) {
    if (area.IsEmpty()) return;
    const size_t width = static_cast<size_t>(area.Width());
    if (area.Width() == target_.Width()) {
        // Whole rows are contiguous: one run.
        FillPixels(target_.Row(area.top), width * static_cast<size_t>(area.Height()), pixel);
    } else {
        for (int y = area.top; y < area.bottom; ++y) FillPixels(target_.Row(y) + area.left, width, pixel);
    }
    target_.MarkChanged(area);
}

void Painter::FillSpan(int64_t left, int64_t top, int64_t right, int64_t bottom, Pixel pixel) {
    Rect clip = EffectiveClip();
    left = std::max<int64_t>(left, clip.left);
    top = std::max<int64_t>(top, clip.top);
    right = std::min<int64_t>(right, clip.right);
    bottom = std::min<int64_t>(bottom, clip.bottom);
    if (left >= right || top >= bottom) return;
    FillClipped({static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)},
                pixel);
}

void Painter::Fill(Rect rect, Colour colour) { FillClipped(rect.Intersect(EffectiveClip()), ColourToPixel(colour)); }

void Painter::Copy(Point destination, const Surface& source, Rect sourceRect, RasterOp op) {
    BlitArea a;
    if (!ClipBlit(EffectiveClip(), destination, source, sourceRect, a)) return;
    switch (op) {
        case RasterOp::Copy: {
            const size_t rowBytes = static_cast<size_t>(a.width) * sizeof(Pixel);
            if (&source == &target_) {
                // memmove handles overlap within a row; across rows, go
                // bottom-up when moving down so no row is overwritten
                // before it has been read.
                if (a.y > a.sourceY) {
                    for (int row = a.height - 1; row >= 0; --row) {
                        std::memmove(target_.Row(a.y + row) + a.x, target_.Row(a.sourceY + row) + a.sourceX, rowBytes);
                    }
                } else {
                    for (int row = 0; row < a.height; ++row) {
                        std::memmove(target_.Row(a.y + row) + a.x, target_.Row(a.sourceY + row) + a.sourceX, rowBytes);
                    }
                }
            } else {
                CopyArea(target_, source, a);
            }
            break;
        }
        case RasterOp::Or: CombineSafely(target_, source, a, OrRow); break;
        case RasterOp::And: CombineSafely(target_, source, a, AndRow); break;
        default: return;
    }
    target_.MarkChanged(Rect::FromSize(a.x, a.y, a.width, a.height));
}

namespace {

// Copies clipped areas row by row down the target, each row once for all
// the areas that cross it, in their order: tall narrow strips (bars, combs,
// columns) copied one after the other would each walk down every row.
void CopyAreasByRows(Surface& target, std::vector<ClippedCopy>& areas) {
    // Copies from one source moved by one offset write the same value to a
    // pixel whichever comes last (an effect's picture at its final place):
    // then their order does not matter. Otherwise a later copy must land
    // over an earlier one on every row.
    const ClippedCopy& first = areas.front();
    const bool ordered = std::any_of(areas.begin(), areas.end(), [&](const ClippedCopy& c) {
        return c.source != first.source || c.area.x - c.area.sourceX != first.area.x - first.area.sourceX ||
               c.area.y - c.area.sourceY != first.area.y - first.area.sourceY;
    });
    // By first row (a counting sort, which keeps the request order among
    // those starting on the same row).
    {
        int top = INT_MAX, bottom = INT_MIN;
        for (const ClippedCopy& c : areas) {
            top = std::min(top, c.area.y);
            bottom = std::max(bottom, c.area.y);
        }
        std::vector<size_t> starts(static_cast<size_t>(bottom - top) + 2, 0);
        for (const ClippedCopy& c : areas) ++starts[static_cast<size_t>(c.area.y - top) + 1];
        for (size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
        std::vector<ClippedCopy> sorted(areas.size());
        for (const ClippedCopy& c : areas) sorted[starts[static_cast<size_t>(c.area.y - top)]++] = c;
        areas.swap(sorted);
    }
    // Where each active area's current row is, moved down a row at a time.
    struct Cursor {
        Pixel* to;
        const Pixel* from;
        size_t fromStride;
        int width;
        int end;  // the first row below the area
        size_t order;
    };
    const size_t toStride = static_cast<size_t>(target.Width());
    std::vector<Cursor> active;  // covering the current row, in request order
    size_t next = 0;
    int y = areas.front().area.y;
    int firstEnd = INT_MAX;  // the first row below an active area
    while (next < areas.size() || !active.empty()) {
        if (active.empty()) y = std::max(y, areas[next].area.y);
        bool added = false;
        for (; next < areas.size() && areas[next].area.y == y; ++next) {
            const BlitArea& a = areas[next].area;
            const Surface& source = *areas[next].source;
            active.push_back({target.Row(a.y) + a.x, source.Row(a.sourceY) + a.sourceX,
                              static_cast<size_t>(source.Width()), a.width, a.y + a.height, areas[next].order});
            firstEnd = std::min(firstEnd, a.y + a.height);
            added = true;
        }
        if (added && ordered)
            std::sort(active.begin(), active.end(), [](const Cursor& a, const Cursor& b) { return a.order < b.order; });
        // Rows lie a page or more apart, which the hardware does not fetch
        // ahead by itself. (A hint only: an address past the surface is not
        // read; it is computed as a number, not as a pointer.)
        constexpr uintptr_t kRowsAhead = 4;
        for (Cursor& c : active) {
            __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(c.to) +
                                                             kRowsAhead * toStride * sizeof(Pixel)),
                               1);
            __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(c.from) +
                                                             kRowsAhead * c.fromStride * sizeof(Pixel)));
            if (c.width == 1) {
                *c.to = *c.from;
            } else if (c.width == 8) {
                std::memcpy(c.to, c.from, 8 * sizeof(Pixel));  // two vector moves, no call
            } else if (c.width < 8) {
                for (int x = 0; x < c.width; ++x) c.to[x] = c.from[x];
            } else {
                std::memcpy(c.to, c.from, static_cast<size_t>(c.width) * sizeof(Pixel));
            }
            c.to += toStride;
            c.from += c.fromStride;
        }
        if (++y < firstEnd) continue;
        std::erase_if(active, [y](const Cursor& c) { return c.end <= y; });
        firstEnd = INT_MAX;
        for (const Cursor& c : active) firstEnd = std::min(firstEnd, c.end);
    }
}

}  // namespace

void Painter::CopyMany(std::span<const CopyRequest> copies) {
    const Rect clip = EffectiveClip();
    std::vector<ClippedCopy> areas;
    areas.reserve(copies.size());
    for (size_t i = 0; i < copies.size(); ++i) {
        const CopyRequest& copy = copies[i];
        BlitArea a;
        if (copy.source && copy.source != &target_ && ClipBlit(clip, copy.destination, *copy.source, copy.sourceRect, a)) {
            areas.push_back({a, copy.source, i});
        }
    }
    if (areas.empty()) return;
    // Up to a damage list's worth of copies mark their own rectangles; more
    // (thousands of cells) mark the rectangle around them all, which is what
    // the list would collapse to anyway.
    Rect all = Rect::FromSize(areas[0].area.x, areas[0].area.y, areas[0].area.width, areas[0].area.height);
    int64_t rows = 0;
    for (const ClippedCopy& c : areas) {
        const Rect drawn = Rect::FromSize(c.area.x, c.area.y, c.area.width, c.area.height);
        if (areas.size() <= DamageRegion::kMaxRects) target_.MarkChanged(drawn);
        all = all.Union(drawn);
        rows += c.area.height;
    }
    if (areas.size() > DamageRegion::kMaxRects) target_.MarkChanged(all);
    // Areas that share rows (strips, bars, the cells of a grid) go down the
    // rows together, so each row's memory is fetched once for all of them
    // instead of once per area; areas that hardly share rows are copied one
    // after the other, which is cheaper for them.
    if (areas.size() > 1 && rows >= 2 * int64_t{all.Height()}) {
        CopyAreasByRows(target_, areas);
        return;
    }
    for (const ClippedCopy& c : areas) CopyArea(target_, *c.source, c.area);
}

Rect Painter::CopiedRect(const CopyRequest& copy) const {
    BlitArea a;
    if (!copy.source || copy.source == &target_ || !ClipBlit(EffectiveClip(), copy.destination, *copy.source, copy.sourceRect, a))
        return {};
    return Rect::FromSize(a.x, a.y, a.width, a.height);
}

void Painter::KeyedCopy(Point destination, const Surface& source, Rect sourceRect, Colour key) {
    BlitArea a;
    if (!ClipBlit(EffectiveClip(), destination, source, sourceRect, a)) return;
    const Pixel keyPixel = ColourToPixel(key);
    CombineSafely(target_, source, a, [keyPixel](Pixel* __restrict to, const Pixel* __restrict from, int count) {
        // Branch-free so that it vectorises.
        for (int i = 0; i < count; ++i) {
            Pixel p = from[i];
            to[i] = (p & kColourBits) == keyPixel ? to[i] : p;
        }
    });
    target_.MarkChanged(Rect::FromSize(a.x, a.y, a.width, a.height));
}

void Painter::StretchCopy(Rect destination, const Surface& source, Rect sourceRect) {
    const int64_t destinationWidth = int64_t{destination.right} - destination.left;
    const int64_t destinationHeight = int64_t{destination.bottom} - destination.top;
    const int64_t sourceWidth = int64_t{sourceRect.right} - sourceRect.left;
    const int64_t sourceHeight = int64_t{sourceRect.bottom} - sourceRect.top;
    if (destinationWidth <= 0 || destinationHeight <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
    Rect area = destination.Intersect(EffectiveClip());
    if (area.IsEmpty() || source.Empty()) return;

    std::vector<int> columns = StretchSamples(destination.left, destinationWidth, sourceRect.left, sourceWidth,
                                              area.left, area.right, source.Width());
    std::vector<int> rows = StretchSamples(destination.top, destinationHeight, sourceRect.top, sourceHeight,
                                           area.top, area.bottom, source.Height());
    if (columns.empty() || rows.empty()) return;

    // Reading from the target itself: sample a snapshot of the part used.
    const Surface* from = &source;
    Surface snapshot;
    if (&source == &target_) {
        int left = columns.front();
        int top = rows.front();
        snapshot = CopyRect(source, {left, top, columns.back() + 1, rows.back() + 1});
        for (int& c : columns) c -= left;
        for (int& r : rows) r -= top;
        from = &snapshot;
    }

    const int count = static_cast<int>(columns.size());
    const int* columnOf = columns.data();
    for (size_t i = 0; i < rows.size(); ++i) {
        Pixel* out = target_.Row(area.top + static_cast<int>(i)) + area.left;
        if (i > 0 && rows[i] == rows[i - 1]) {
            // Same source row as the line above: copy it.
            std::memcpy(out, out - target_.Width(), static_cast<size_t>(count) * sizeof(Pixel));
            continue;
        }
        const Pixel* in = from->Row(rows[i]);
        for (int x = 0; x < count; ++x) out[x] = in[columnOf[x]];
    }
    target_.MarkChanged({area.left, area.top, area.left + count, area.top + static_cast<int>(rows.size())});
}

void Painter::Line(Point from, Point to, const Pen& pen) {
    if (pen.style == PenStyle::Null || from == to) return;
    Rect clip = EffectiveClip();
    if (clip.IsEmpty()) return;
    if (pen.width > 1) {
        WideLine(from, to, pen.width, ColourToPixel(pen.colour), clip);
    } else {
        ThinLine(from, to, pen, clip);
    }
}

void Painter::ThinLine(Point from, Point to, const Pen& pen, const Rect& clip) {
    // Walk along the longer ("major") axis one pixel a step; the shorter
    // axis advances by the rounded exact offset t * minorDelta / majorDelta.
    const int64_t dx = int64_t{to.x} - from.x;
    const int64_t dy = int64_t{to.y} - from.y;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t majorDelta = xMajor ? dx : dy;
    const int64_t minorDelta = xMajor ? dy : dx;
    const int64_t majorStart = xMajor ? from.x : from.y;
    const int64_t minorStart = xMajor ? from.y : from.x;
    const int64_t majorStep = majorDelta > 0 ? 1 : -1;
    const int64_t minorStep = minorDelta >= 0 ? 1 : -1;
    const int64_t steps = std::llabs(majorDelta);  // `to` itself is not drawn
    const int64_t rise = std::llabs(minorDelta);
    const int64_t majorLow = xMajor ? clip.left : clip.top;
    const int64_t majorHigh = xMajor ? clip.right : clip.bottom;
    const int64_t minorLow = xMajor ? clip.top : clip.left;
    const int64_t minorHigh = xMajor ? clip.bottom : clip.right;

    if (rise == 0 && (minorStart < minorLow || minorStart >= minorHigh)) return;

    // Steps whose major coordinate lies inside the clip: the walk never
    // visits more pixels than the clip is long.
    int64_t first = majorStep > 0 ? majorLow - majorStart : majorStart - majorHigh + 1;
    int64_t last = majorStep > 0 ? majorHigh - majorStart : majorStart - majorLow + 1;
    first = std::max<int64_t>(first, 0);
    last = std::min(last, steps);
    if (first >= last) return;

    // Minor offset at step t: floor((2 t rise + bias) / (2 steps)), the
    // exact offset rounded to nearest. Ties go to the smaller coordinate
    // (down when the minor axis runs forwards, up in offset when it runs
    // backwards), so the pixels do not depend on the drawing direction.
    const int64_t denominator = 2 * steps;
    const int64_t bias = minorStep > 0 ? steps - 1 : steps;
    __int128 numerator = static_cast<__int128>(2) * first * rise + bias;
    int64_t offset = static_cast<int64_t>(numerator / denominator);
    int64_t remainder = static_cast<int64_t>(numerator % denominator);

    const std::vector<bool> pattern = StylePattern(pen.style);
    size_t phase = pattern.empty() ? 0 : static_cast<size_t>(first % static_cast<int64_t>(pattern.size()));
    const Pixel pixel = ColourToPixel(pen.colour);
    bool drawn = false;

    for (int64_t t = first; t < last; ++t) {
        int64_t minor = minorStart + minorStep * offset;
        if (minor >= minorLow && minor < minorHigh) {
            if (pattern.empty() || pattern[phase]) {
                int64_t major = majorStart + majorStep * t;
                int x = static_cast<int>(xMajor ? major : minor);
                int y = static_cast<int>(xMajor ? minor : major);
                target_.Set(x, y, pixel);
                drawn = true;
            }
        } else if (minorStep > 0 ? minor >= minorHigh : minor < minorLow) {
            break;  // left the clip for good
        }
        if (!pattern.empty() && ++phase == pattern.size()) phase = 0;
        remainder += 2 * rise;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++offset;
        }
    }
    if (drawn) {
        // The line lies within its ends' box; the clip was applied above.
        Rect box{static_cast<int>(std::min<int64_t>(from.x, to.x)), static_cast<int>(std::min<int64_t>(from.y, to.y)),
                 static_cast<int>(std::min<int64_t>(std::max<int64_t>(from.x, to.x) + 1, INT_MAX)),
                 static_cast<int>(std::min<int64_t>(std::max<int64_t>(from.y, to.y) + 1, INT_MAX))};
        target_.MarkChanged(box.Intersect(clip));
    }
}

void Painter::WideLine(Point from, Point to, int width, Pixel pixel, const Rect& clip) {
    // The pixels whose centres lie within `radius` of the segment: per row,
    // the union of the two end discs and the band between them. The shape
    // is convex, so the union is a single span. Coordinates are taken
    // relative to the clip's corner to keep the numbers small.
    const double radius = width / 2.0;
    const double shift = width % 2 == 0 ? -0.5 : 0.0;
    const double ax = static_cast<double>(int64_t{from.x} - clip.left) + shift;
    const double ay = static_cast<double>(int64_t{from.y} - clip.top) + shift;
    const double bx = static_cast<double>(int64_t{to.x} - clip.left) + shift;
    const double by = static_cast<double>(int64_t{to.y} - clip.top) + shift;
    const double length = std::hypot(bx - ax, by - ay);
    const double ux = (bx - ax) / length;
    const double uy = (by - ay) / length;
    const double columns = clip.Width();
    const double rowCount = clip.Height();

    const double firstRow = std::max(0.0, std::ceil(std::min(ay, by) - radius));
    const double lastRow = std::min(rowCount - 1, std::floor(std::max(ay, by) + radius));
    constexpr double kInfinity = HUGE_VAL;
    Rect drawn;  // the box of the spans drawn, in target coordinates

    // Narrows [low, high] to the x where low' <= coefficient * x <= high'.
    auto narrow = [](double coefficient, double lower, double upper, double& low, double& high) {
        if (coefficient == 0) {
            if (lower > 0 || upper < 0) high = low - 1;
            return;
        }
        double a = lower / coefficient;
        double b = upper / coefficient;
        if (a > b) std::swap(a, b);
        low = std::max(low, a);
        high = std::min(high, b);
    };

    for (double y = firstRow; y <= lastRow; ++y) {
        double left = kInfinity;
        double right = -kInfinity;
        for (auto [cx, cy] : {std::pair{ax, ay}, std::pair{bx, by}}) {
            double dy = std::abs(y - cy);
            if (dy <= radius) {
                // (r - dy)(r + dy) stays accurate where r and dy are large.
                double half = std::sqrt((radius - dy) * (radius + dy));
                left = std::min(left, cx - half);
                right = std::max(right, cx + half);
            }
        }
        // The band: |cross(u, p - a)| <= r and 0 <= dot(u, p - a) <= length.
        const double py = y - ay;
        double low = -kInfinity;
        double high = kInfinity;
        narrow(-uy, -radius - ux * py, radius - ux * py, low, high);
        narrow(ux, -uy * py, length - uy * py, low, high);
        if (low <= high) {
            left = std::min(left, ax + low);
            right = std::max(right, ax + high);
        }
        double spanLeft = std::max(0.0, std::ceil(left));
        double spanRight = std::min(columns - 1, std::floor(right));
        if (spanLeft > spanRight) continue;
        int row = clip.top + static_cast<int>(y);
        const Rect span{clip.left + static_cast<int>(spanLeft), row, clip.left + static_cast<int>(spanRight) + 1,
                        row + 1};
        std::fill(target_.Row(row) + span.left, target_.Row(row) + span.right, pixel);
        drawn = drawn.IsEmpty() ? span
                                : Rect{std::min(drawn.left, span.left), drawn.top, std::max(drawn.right, span.right),
                                       span.bottom};
    }
    if (!drawn.IsEmpty()) target_.MarkChanged(drawn);
}

void Painter::RaisedEdge(Rect rect) {
    int64_t left = rect.left;
    int64_t top = rect.top;
    int64_t right = rect.right;
    int64_t bottom = rect.bottom;
    const std::array<std::pair<Colour, Colour>, 2> rings{
        std::pair{kEdgeLight, kEdgeDarkShadow}, std::pair{kEdgeHighlight, kEdgeShadow}};
    for (auto [light, dark] : rings) {
        if (left >= right || top >= bottom) return;
        Pixel lightPixel = ColourToPixel(light);
        Pixel darkPixel = ColourToPixel(dark);
        FillSpan(left, top, right - 1, top + 1, lightPixel);
        FillSpan(left, top, left + 1, bottom - 1, lightPixel);
        FillSpan(left, bottom - 1, right, bottom, darkPixel);
        FillSpan(right - 1, top, right, bottom, darkPixel);
        ++left;
        ++top;
        --right;
        --bottom;
    }
}

Surface CopyRect(const Surface& source, Rect sourceRect) {
    const int64_t width = int64_t{sourceRect.right} - sourceRect.left;
    const int64_t height = int64_t{sourceRect.bottom} - sourceRect.top;
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX || width * height > (int64_t{1} << 28)) {
        return {};
    }
    Surface copy(static_cast<int>(width), static_cast<int>(height));
    Painter(copy).Copy({0, 0}, source, sourceRect);
    return copy;
}

}  // namespace korv::platform
