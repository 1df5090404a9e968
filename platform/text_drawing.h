#pragma once
// Drawing and measuring 8-bit texts (UTF-8, or the code page of the font's
// charset; see platform/text_encoding.h) in a Font on a Surface, after the
// original platform's DrawText and GetTextExtentPoint.

#include <cstdint>
#include <string_view>

#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv::platform {

// Horizontal placement of each line within the rectangle. The values are the
// original platform's DT_LEFT, DT_CENTER and DT_RIGHT, and a text object's
// `align` (0, 1, 2).
enum class TextFormat : uint32_t {
    Left = 0,
    Centre = 1,
    Right = 2,
};

// The values are the original platform's TRANSPARENT and OPAQUE.
enum class BackgroundMode : int {
    Transparent = 1,
    Opaque = 2,
};

// Draws `text` into `rect`. Lines end at LF; a CR just before an LF is not
// drawn. Lines are stacked from rect.top, one font Height() apart; each is
// placed left, centred ((rect width − line width) / 2, rounded toward zero)
// or right in rect. Opaque mode first fills each line's own box (its width ×
// Height()) with `backColour`; transparent mode leaves what is there. Glyphs
// are monochrome in `textColour`, and so are the font's underline and
// strike-out, which run the width of each line. Nothing is drawn outside the
// surface, `rect` or `clip`.
void DrawText(Surface& surface, const Font& font, std::string_view text, Rect rect, TextFormat format,
              Colour textColour, Colour backColour, BackgroundMode mode, Rect clip);
// The same, clipped to the surface and `rect` only.
void DrawText(Surface& surface, const Font& font, std::string_view text, Rect rect, TextFormat format,
              Colour textColour, Colour backColour, BackgroundMode mode);

// The size of `text` as one line: the sum of its characters' advances (line
// feeds and carriage returns included, as the font measures them) and the
// font's Height(). `charSet` names the code page of non-UTF-8 text.
Size MeasureTextExtent(const Font& font, std::string_view text, uint8_t charSet);

// The width of `text` as one line, decoded with the font's own charset.
int TextWidth8(const Font& font, std::string_view text);

}  // namespace korv::platform
