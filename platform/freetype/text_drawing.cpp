#include "platform/text_drawing.h"

#include <algorithm>
#include <string>

#include "platform/text_encoding.h"

namespace korv::platform {
namespace {

void FillRect(Surface& surface, Rect area, Pixel pixel) {
    for (int y = area.top; y < area.bottom; ++y) {
        std::fill(surface.Row(y) + area.left, surface.Row(y) + area.right, pixel);
    }
}

void DrawGlyph(Surface& surface, const GlyphImage& glyph, int x, int y, Rect clip, Pixel pixel) {
    const Rect box = Rect::FromSize(x, y, glyph.width, glyph.rows).Intersect(clip);
    for (int row = box.top; row < box.bottom; ++row) {
        Pixel* out = surface.Row(row);
        for (int col = box.left; col < box.right; ++col) {
            if (glyph.InkAt(col - x, row - y)) out[col] = pixel;
        }
    }
}

}  // namespace

void DrawText(Surface& surface, const Font& font, std::string_view text, Rect rect, TextFormat format,
              Colour textColour, Colour backColour, BackgroundMode mode, Rect clip) {
    const Rect visible = surface.Bounds().Intersect(rect).Intersect(clip);
    if (visible.IsEmpty() || text.empty()) return;

    const Pixel ink = ColourToPixel(textColour);
    const Pixel back = ColourToPixel(backColour);
    const int lineHeight = font.Height();
    const FontDescription& description = font.Description();
    const FontLine underline = font.UnderlineLine();
    const FontLine strikeOut = font.StrikeOutLine();
    const std::u32string decoded = DecodeText(text, font.CharSet());

    std::u32string_view rest = decoded;
    int top = rect.top;
    while (!rest.empty() && top < visible.bottom) {
        const size_t end = rest.find(U'\n');
        std::u32string_view line = rest.substr(0, end);
        rest = end == std::u32string_view::npos ? std::u32string_view{} : rest.substr(end + 1);
        if (end != std::u32string_view::npos && !line.empty() && line.back() == U'\r') line.remove_suffix(1);

        const int width = font.TextWidth(line);
        int left = rect.left;
        if (format == TextFormat::Centre) {
            left = rect.left + (rect.Width() - width) / 2;
        } else if (format == TextFormat::Right) {
            left = rect.right - width;
        }
        const int baseline = top + font.Ascent();
        const Rect box{left, top, left + width, top + lineHeight};

        if (box.bottom > visible.top && width > 0) {
            if (mode == BackgroundMode::Opaque) FillRect(surface, box.Intersect(visible), back);
            int pen = left;
            for (char32_t ch : line) {
                const GlyphImage& glyph = font.Glyph(ch);
                DrawGlyph(surface, glyph, pen + glyph.left, baseline - glyph.top, visible, ink);
                pen += glyph.advance;
            }
            if (description.underline) {
                FillRect(surface,
                         Rect{left, baseline + underline.offset, left + width,
                              baseline + underline.offset + underline.thickness}
                             .Intersect(visible),
                         ink);
            }
            if (description.strikeOut) {
                FillRect(surface,
                         Rect{left, baseline + strikeOut.offset, left + width,
                              baseline + strikeOut.offset + strikeOut.thickness}
                             .Intersect(visible),
                         ink);
            }
        }
        top += lineHeight;
        if (lineHeight <= 0) break;
    }
    surface.MarkChanged(visible);
}

void DrawText(Surface& surface, const Font& font, std::string_view text, Rect rect, TextFormat format,
              Colour textColour, Colour backColour, BackgroundMode mode) {
    DrawText(surface, font, text, rect, format, textColour, backColour, mode, surface.Bounds());
}

Size MeasureTextExtent(const Font& font, std::string_view text, uint8_t charSet) {
    return {font.TextWidth(DecodeText(text, charSet)), font.Height()};
}

int TextWidth8(const Font& font, std::string_view text) { return font.TextWidth(DecodeText(text, font.CharSet())); }

}  // namespace korv::platform
