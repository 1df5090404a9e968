// Rendering a text into a picture buffer: one picture as wide as the widest
// line (with a little room) and as high as all lines.

#include <algorithm>
#include <cmath>

#include "media/image/image_buffer.h"
#include "media/image/image_layer.h"
#include "media/image/text_style.h"
#include "platform/font.h"
#include "platform/surface.h"
#include "platform/text_drawing.h"

namespace korv {

namespace {

// The widest line (each measured without the carriage return in front of its
// line feed, which is not drawn) and the number of lines.
Size MeasureLines(const platform::Font& font, const std::string& text) {
    int widest = 0, lines = 0;
    size_t start = 0;
    for (;;) {
        size_t feed = text.find('\n', start);
        std::string line = text.substr(start, feed == std::string::npos ? std::string::npos : feed - start);
        if (feed != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
        widest = std::max(widest, platform::TextWidth8(font, line));
        ++lines;
        if (feed == std::string::npos) break;
        start = feed + 1;
    }
    return {widest, lines * font.Height()};
}

}  // namespace

bool CImageBuffer::RenderText(const std::string& text, const TextStyle& style) {
    if (text.empty()) return false;
    platform::FontDescription description = style.font;
    description.quality |= kNonAntialiasedQuality;
    std::shared_ptr<platform::Font> font = platform::Font::Create(description);

    Size size = MeasureLines(*font, text);
    if (size.width == 0) return false;
    size.width = static_cast<int>(std::trunc(size.width * 1.02));
    if (!AcceptableImageSize(size.width, size.height)) return false;

    platform::Surface bitmap(size.width, size.height);
    platform::Colour background = style.opaque ? style.backColour : platform::kKeyColour;
    std::fill(bitmap.Pixels().begin(), bitmap.Pixels().end(), platform::ColourToPixel(background));
    platform::DrawText(bitmap, *font, text, bitmap.Bounds(), style.align, style.textColour, background,
                       style.opaque ? platform::BackgroundMode::Opaque : platform::BackgroundMode::Transparent);
    if (!CaptureBitmap(bitmap)) return false;
    keyed_ = !style.opaque;
    return true;
}

}  // namespace korv
