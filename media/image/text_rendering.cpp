// Rendering a text object into its image buffer, and connecting pictures
// and texts of scenarios to the image layer.

#include <cmath>

#include "media/image/image_buffer.h"
#include "media/image/image_layer.h"
#include "platform/font.h"
#include "platform/surface.h"
#include "platform/text_drawing.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

// Quality value that asks for glyphs without anti-aliasing.
constexpr uint8_t kNonAntialiasedQuality = 3;

platform::FontDescription DescriptionOf(const LogFont& font) {
    platform::FontDescription description;
    description.height = font.height;
    description.width = font.width;
    description.escapement = font.escapement;
    description.orientation = font.orientation;
    description.weight = font.weight;
    description.italic = font.italic != 0;
    description.underline = font.underline != 0;
    description.strikeOut = font.strikeOut != 0;
    description.charSet = font.charSet;
    description.outPrecision = font.outPrecision;
    description.clipPrecision = font.clipPrecision;
    description.quality = font.quality;
    description.pitchAndFamily = font.pitchAndFamily;
    description.faceName = font.FaceName();
    return description;
}

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

bool CImageBuffer::RenderText(VisualObject& textObject, const std::string& text) {
    const std::string& content = text.empty() ? textObject.text : text;
    if (content.empty()) return false;
    textObject.font.quality |= kNonAntialiasedQuality;
    std::shared_ptr<platform::Font> font = platform::Font::Create(DescriptionOf(textObject.font));

    Size size = MeasureLines(*font, content);
    if (size.width == 0) return false;
    size.width = static_cast<int>(std::trunc(size.width * 1.02));
    if (!AcceptableImageSize(size.width, size.height)) return false;

    platform::Surface bitmap(size.width, size.height);
    platform::ColourRef background = textObject.opaque ? textObject.backColour : platform::kKeyColour;
    std::fill(bitmap.Pixels().begin(), bitmap.Pixels().end(), platform::ColourToPixel(background));
    platform::DrawText(bitmap, *font, content, bitmap.Bounds(), static_cast<platform::TextFormat>(textObject.align),
                       textObject.textColour, background,
                       textObject.opaque ? platform::BackgroundMode::Opaque : platform::BackgroundMode::Transparent);
    if (!CaptureBitmap(bitmap)) return false;
    keyed_ = !textObject.opaque;
    return true;
}

void InitImageLayer() {
    static bool initialised = [] {
        SetScenePictureServices(
            {[](std::span<const uint8_t> encoded, int32_t& width, int32_t& height) {
                 CImageBuffer buffer;
                 Size size;
                 if (!buffer.Measure(encoded, size)) return false;
                 width = size.width;
                 height = size.height;
                 return true;
             },
             [](VisualObject& text, int32_t& width, int32_t& height) {
                 if (!text.image) text.image = std::make_shared<CImageBuffer>();
                 if (!text.image->RenderText(text, "")) return false;
                 width = text.image->GetSize().width;
                 height = text.image->GetSize().height;
                 return true;
             },
             [](VisualObject& object, Size size) -> std::optional<platform::Surface> {
                 if (!object.image) object.image = std::make_shared<CImageBuffer>();
                 Size natural;
                 if (object.isText) {
                     if (!object.image->RenderText(object, "")) return std::nullopt;
                     return object.image->CreateBitmapFromBase(natural, size.width, size.height);
                 }
                 return object.image->LoadAndCreateBitmap(object.data, natural, size.width, size.height);
             },
             [](VisualObject& text, const std::string& part) -> std::optional<platform::Surface> {
                 CImageBuffer partial;
                 Size natural;
                 if (!partial.RenderText(text, part)) return std::nullopt;
                 return partial.CreateBitmapFromBase(natural, 0, 0);
             }});
        return true;
    }();
    (void)initialised;
}

}  // namespace korv
