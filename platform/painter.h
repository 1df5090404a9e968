#pragma once
// Software drawing into a Surface: the device-context operations the
// engine's drawing code is written against (solid fills, block copies with
// raster operations, nearest-neighbour stretching, colour-keyed copies, pen
// lines and button edges).
//
// Every operation clips to the target surface and to the painter's clip
// rectangle, and copies also clip to their source surface, so any
// coordinates are safe: negative, huge or INT_MIN/INT_MAX, and rectangles
// whose right or bottom lies before their left or top (they are empty).
// Coordinate arithmetic is done in 64 bits, so nothing overflows.
//
// Pixels in the surfaces are 0x00RRGGBB; colours passed in are Colours,
// converted to a pixel once per call. A painter that draws anything marks
// its target changed.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv::platform {

// Values are the system's own ternary raster-operation codes, so a stored
// code can be cast straight to a RasterOp.
enum class RasterOp : uint32_t {
    Copy = 0x00CC0020,  // SRCCOPY:  destination = source
    Or = 0x00EE0086,    // SRCPAINT: destination = destination | source
    And = 0x008800C6,   // SRCAND:   destination = destination & source
};

// The system's own pen style numbers.
enum class PenStyle : int {
    Solid = 0,
    Dash = 1,        // 18 on, 6 off
    Dot = 2,         // 3 on, 3 off
    DashDot = 3,     // 9 on, 6 off, 3 on, 6 off
    DashDotDot = 4,  // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
    Null = 5,        // draws nothing
};

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;  // 0 and below count as 1
    Colour colour;
};

// The classic 3-D element colours that RaisedEdge uses.
inline constexpr Colour kEdgeHighlight = Rgb(255, 255, 255);
inline constexpr Colour kEdgeLight = Rgb(227, 227, 227);
inline constexpr Colour kEdgeShadow = Rgb(128, 128, 128);
inline constexpr Colour kEdgeDarkShadow = Rgb(64, 64, 64);

class Painter {
public:
    explicit Painter(Surface& target);

    Surface& Target() { return target_; }

    // The clip rectangle, always within the target's bounds. SetClip
    // replaces it with `clip` intersected with the bounds; ResetClip makes
    // it the whole surface again.
    Rect Clip() const;
    void SetClip(Rect clip);
    void ResetClip();

    void SetPixel(Point point, Colour colour);
    // Nothing outside the clip rectangle.
    std::optional<Colour> GetPixel(Point point) const;

    // Solid fill of `rect` (right and bottom excluded).
    void Fill(Rect rect, Colour colour);

    // Combines `sourceRect` of `source` into the target with its top-left
    // corner at `destination`. Only the parts of sourceRect inside the
    // source surface are drawn, at the places they would have had anyway.
    // `source` may be the target itself, with overlapping rectangles: the
    // result is that of copying from a snapshot of the source. Or and And
    // work on the 24 colour bits; a RasterOp value outside the three named
    // ones draws nothing.
    void Copy(Point destination, const Surface& source, Rect sourceRect, RasterOp op = RasterOp::Copy);

    // Nearest-neighbour stretch of `sourceRect` onto `destination` (colour
    // on colour: no blending). Destination pixel column x samples the
    // source column under its centre:
    //   sx = source.left + floor((2 * (x - destination.left) + 1) * sourceWidth / (2 * destinationWidth))
    // and rows likewise. So a 2x stretch doubles every pixel, a 3x one
    // triples it, a halving takes source columns 1, 3, 5, ... and a 1/3
    // shrink the middle one of every three. Destination pixels whose sample
    // falls outside the source surface are left unchanged. Mirrored
    // (negative width or height) rectangles draw nothing. The source may be
    // the target itself.
    void StretchCopy(Rect destination, const Surface& source, Rect sourceRect);

    // Plain copies (as Copy with RasterOp::Copy), each drawn over those
    // before it, from sources other than the target: an effect step's
    // strips and cells, marked together rather than one by one.
    struct CopyRequest {
        Point destination;
        const Surface* source = nullptr;
        Rect sourceRect;
    };
    void CopyMany(std::span<const CopyRequest> copies);
    // The part of the target that `copy` would write (empty when nothing).
    Rect CopiedRect(const CopyRequest& copy) const;

    // As Copy, except that source pixels of colour `key` (compared on the 24
    // colour bits) leave the destination unchanged.
    void KeyedCopy(Point destination, const Surface& source, Rect sourceRect, Colour key);

    // A line from `from` to `to`.
    //
    // Width 1 (or less): the Bresenham line through the pixels from `from`
    // up to but not including `to`. Where the ideal line passes exactly
    // half-way between two pixels, the one with the smaller coordinate is
    // taken, so a line covers the same pixels whichever way it is drawn
    // (apart from which end is left out). Styled pens repeat their pattern
    // from `from`, counted along the line's longer axis; the gaps are left
    // unchanged.
    //
    // Width above 1: solid whatever the style (Null still draws nothing):
    // every pixel whose centre lies within width/2 of the segment from
    // `from` to `to`, which gives round caps at both ends. Even widths are
    // centred half a pixel up and left, so a horizontal line of width 2 at
    // y covers rows y-1 and y.
    //
    // A line whose ends are the same point draws nothing.
    void Line(Point from, Point to, const Pen& pen);

    // The raised 3-D edge of a button around the inside of `rect`: outer
    // ring kEdgeLight along the top and left and kEdgeDarkShadow along the
    // bottom and right, inner ring kEdgeHighlight top and left and
    // kEdgeShadow bottom and right. The bottom and right lines run the full
    // length of their ring, so the top-right and bottom-left corner pixels
    // are dark. The inside is not painted.
    void RaisedEdge(Rect rect);

private:
    Rect EffectiveClip() const;
    void FillClipped(const Rect& area, uint32_t pixel);
    void FillSpan(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel);
    void ThinLine(Point from, Point to, const Pen& pen, const Rect& clip);
    void WideLine(Point from, Point to, int width, uint32_t pixel, const Rect& clip);

    Surface& target_;
    Rect clip_;
};

// A new surface of sourceRect's size holding that part of `source`; what
// lies outside the source is black. An empty or mirrored rectangle, or one
// of more than 2^28 pixels, gives an empty surface.
Surface CopyRect(const Surface& source, Rect sourceRect);

}  // namespace korv::platform
