#include "saver/text_measure.h"

#include <algorithm>

namespace korv {

bool MeasureText(const TextMetrics& metrics, std::string_view text, Rect& rect) {
    int width = 0;
    int lines = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t feed = text.find('\n', start);
        std::string_view line;
        if (feed == std::string_view::npos) {
            line = text.substr(start);
            start = text.size();
        } else {
            // Leave out the character in front of the LF; an empty line has none.
            line = text.substr(start, feed > start ? feed - start - 1 : 0);
            start = feed + 1;
        }
        width = std::max(width, metrics.TextWidth(line));
        ++lines;
    }
    rect = {0, 0, width, lines * metrics.TextHeight("W")};
    return width != 0 && lines != 0;
}

}  // namespace korv
