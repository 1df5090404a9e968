#pragma once
// Measuring multi-line texts in a font.

#include <string_view>

#include "platform/geometry.h"

namespace korv {

// A font's measurements, given by the drawing layer.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    // Width and height in pixels of one line of text.
    virtual int TextWidth(std::string_view text) const = 0;
    virtual int TextHeight(std::string_view text) const = 0;
};

// Measures a text whose lines end with CR LF: `rect` becomes (0, 0, width of
// the widest line, number of lines × height of "W"). The character in front
// of each LF (the CR) is not measured. A text after the last LF is a line of
// its own, measured whole; a final LF does not start another line. True
// when both the width and the number of lines are not zero.
bool MeasureText(const TextMetrics& metrics, std::string_view text, Rect& rect);

}  // namespace korv
