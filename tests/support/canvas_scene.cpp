#include "tests/support/canvas_scene.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>

namespace korv::test {

namespace {

bool Marked(const platform::DamageRegion& marked, int x, int y) {
    for (const Rect& r : marked.Rects())
        if (r.Contains(x, y)) return true;
    return false;
}

}  // namespace

void CanvasWindow::Draw(const std::function<void(platform::Surface&)>& paint) {
    const platform::Surface before = screen;
    screen.TakeDamage();  // what tests drew straight into the screen is not this draw's
    paint(screen);
    const platform::DamageRegion marked = screen.TakeDamage();
    markedPixels += marked.Area();
    if (before.Width() == screen.Width() && before.Height() == screen.Height()) {
        for (int y = 0; y < screen.Height(); ++y) {
            if (std::memcmp(before.Row(y), screen.Row(y), sizeof(platform::Pixel) * static_cast<size_t>(screen.Width())) == 0)
                continue;
            for (int x = 0; x < screen.Width(); ++x) {
                if (before.At(x, y) != screen.At(x, y) && !Marked(marked, x, y)) {
                    ADD_FAILURE() << "draw " << draws + 1 << " changed (" << x << ", " << y
                                  << ") without marking it: a real screen would not show it";
                    y = screen.Height();
                    break;
                }
            }
        }
    }
    ++draws;
    if (onDraw) onDraw(screen);
}

void CanvasWindow::SetBackground(platform::Colour colour, uint32_t op) {
    background = colour;
    rasterOp = op;
    FillSurface(screen, platform::ColourToPixel(colour));
}

platform::Surface PatternSurface(int width, int height, uint32_t seed) {
    platform::Surface surface(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t v = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u) ^ (seed * 97u);
            surface.Set(x, y, (v & 0x00FFFFFF) | 0x00010101);
        }
    return surface;
}

void FillSurface(platform::Surface& surface, platform::Pixel pixel) {
    std::fill(surface.Pixels().begin(), surface.Pixels().end(), pixel);
    surface.MarkChanged();
}

bool ShowsPictureOver(const platform::Surface& screen, const platform::Surface& before, const platform::Surface& picture,
                      Rect area, Point at) {
    if (screen.Width() != before.Width() || screen.Height() != before.Height()) return false;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x) {
            int px = x - at.x + area.left, py = y - at.y + area.top;
            bool inside = px >= area.left && px < area.right && py >= area.top && py < area.bottom &&
                          px >= 0 && py >= 0 && px < picture.Width() && py < picture.Height();
            platform::Pixel expected = inside ? picture.At(px, py) : before.At(x, y);
            if (screen.At(x, y) != expected) return false;
        }
    return true;
}

bool SameSurface(const platform::Surface& a, const platform::Surface& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin());
}

std::optional<Size> PatternPictures::MeasurePicture(std::span<const uint8_t> encoded) const {
    if (encoded.empty()) return std::nullopt;
    return Size{64, static_cast<int>(encoded.size())};
}

std::optional<platform::Surface> PatternPictures::CreateBitmap(VisualObject& object, Size size) const {
    return PatternSurface(size.width, size.height, static_cast<uint32_t>(object.data.size()));
}

VisualObject PictureObject(int width, int height) {
    VisualObject picture;
    picture.data.assign(7, 1);
    picture.naturalWidth = width;
    picture.naturalHeight = height;
    return picture;
}

PlacementBlock MovePlacement(int x1, int y1, int x2, int y2, int step) {
    PlacementBlock p;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.stepX = step;
    p.stepY = 1;
    return p;
}

}  // namespace korv::test
