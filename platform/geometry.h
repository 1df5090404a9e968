#pragma once
// Points, sizes and rectangles in pixels.

#include <algorithm>
#include <array>
#include <limits>

namespace korv {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// Right and bottom lie just outside the rectangle.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // Right and bottom stop at the largest int for a rectangle that would
    // reach beyond it (an object moved far off the screen).
    static Rect FromSize(int x, int y, int width, int height) {
        return {x, y, Saturated(static_cast<long long>(x) + width), Saturated(static_cast<long long>(y) + height)};
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect Intersect(const Rect& other) const {
        Rect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
               std::min(bottom, other.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // The smallest rectangle holding both (both must be non-empty).
    Rect Union(const Rect& other) const {
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    // Whether `inner` lies wholly within this rectangle.
    bool Holds(const Rect& inner) const {
        return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // What of this rectangle `hole` leaves uncovered, as four strips (above,
    // below, left and right of the hole; a strip may be empty). The whole
    // rectangle when the hole misses it.
    std::array<Rect, 4> StripsAround(const Rect& hole) const {
        const Rect inner = Intersect(hole);
        if (inner.IsEmpty()) return {*this, Rect{}, Rect{}, Rect{}};
        return {Rect{left, top, right, inner.top}, Rect{left, inner.bottom, right, bottom},
                Rect{left, inner.top, inner.left, inner.bottom}, Rect{inner.right, inner.top, right, inner.bottom}};
    }
    bool operator==(const Rect&) const = default;

private:
    static int Saturated(long long value) {
        return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
};

}  // namespace korv
