#pragma once
// Plain rectangles and sizes in pixels.

namespace korv {

// Right and bottom lie just outside the rectangle.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

}  // namespace korv
