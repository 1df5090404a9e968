#pragma once
// How a text rendered into a picture looks: its font, alignment and colours.

#include <cstdint>

#include "platform/font.h"
#include "platform/surface.h"
#include "platform/text_drawing.h"

namespace korv {

// Font quality that asks for glyphs without anti-aliasing, so that no ink is
// blended with the key colour of a transparent text's background.
inline constexpr uint8_t kNonAntialiasedQuality = 3;

struct TextStyle {
    // Rendering always adds kNonAntialiasedQuality to the font's quality.
    platform::FontDescription font;
    platform::TextFormat align = platform::TextFormat::Left;
    platform::Colour textColour;
    platform::Colour backColour;
    // An opaque text fills its box with the back colour; another one leaves
    // the key colour, which stands for "nothing here".
    bool opaque = false;
};

}  // namespace korv
