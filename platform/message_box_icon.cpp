#include "platform/message_box_icon.h"

#include <cmath>

#include "platform/painter.h"

namespace korv::platform {

namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr int kSize = kMessageBoxIconSize;

// A disc filling the square, one span per row.
void Disc(Painter& painter, Point at, Colour colour) {
    const double radius = kSize / 2.0 - 1;
    const double centre = kSize / 2.0;
    for (int y = 0; y < kSize; ++y) {
        const double dy = y + 0.5 - centre;
        if (std::abs(dy) > radius) continue;
        const double half = std::sqrt(radius * radius - dy * dy);
        const int left = static_cast<int>(std::lround(centre - half));
        const int right = static_cast<int>(std::lround(centre + half));
        painter.Fill({at.x + left, at.y + y, at.x + right, at.y + y + 1}, colour);
    }
}

// A triangle standing on the square's bottom edge with its point at the top.
void Triangle(Painter& painter, Point at, Colour colour) {
    constexpr int top = 2, bottom = kSize - 2;
    for (int y = top; y < bottom; ++y) {
        const int half = (y - top) * (kSize / 2 - 1) / (bottom - top - 1);
        painter.Fill({at.x + kSize / 2 - 1 - half, at.y + y, at.x + kSize / 2 + 1 + half, at.y + y + 1}, colour);
    }
}

Rect Offset(Rect r, Point at) { return {r.left + at.x, r.top + at.y, r.right + at.x, r.bottom + at.y}; }

}  // namespace

void DrawMessageBoxIcon(Surface& surface, Point at, MessageBoxIcon icon) {
    Painter painter(surface);
    switch (icon) {
    case MessageBoxIcon::Stop:
        Disc(painter, at, kStopIconColour);
        painter.Fill(Offset({8, 13, 24, 19}, at), kWhite);
        break;
    case MessageBoxIcon::Warning:
        Triangle(painter, at, kWarningIconColour);
        painter.Fill(Offset({14, 10, 18, 22}, at), kBlack);
        painter.Fill(Offset({14, 24, 18, 27}, at), kBlack);
        break;
    case MessageBoxIcon::Information:
    default:
        Disc(painter, at, kInformationIconColour);
        painter.Fill(Offset({14, 7, 18, 11}, at), kWhite);
        painter.Fill(Offset({14, 13, 18, 25}, at), kWhite);
        break;
    }
}

}  // namespace korv::platform
