#include "scenario/image_layer_pictures.h"

#include <memory>

#include "media/image/image_buffer.h"
#include "media/image/text_style.h"
#include "platform/colour.h"
#include "scenario/decoded_picture_cache.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

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

// Renders `content` (the object's text when empty) in the text object's
// style into `buffer`. The object's font keeps the quality its glyphs are
// drawn with.
bool RenderObjectText(CImageBuffer& buffer, VisualObject& text, const std::string& content) {
    const std::string& rendered = content.empty() ? text.text : content;
    if (rendered.empty()) return false;
    text.font.quality |= kNonAntialiasedQuality;
    TextStyle style;
    style.font = DescriptionOf(text.font);
    style.align = static_cast<platform::TextFormat>(text.align);
    style.textColour = platform::StoredToColour(text.textColour);
    style.backColour = platform::StoredToColour(text.backColour);
    style.opaque = text.opaque != 0;
    return buffer.RenderText(rendered, style);
}

}  // namespace

std::optional<Size> ImageLayerPictures::MeasurePicture(std::span<const uint8_t> encoded) const {
    CImageBuffer buffer;
    Size size;
    if (!buffer.Measure(encoded, size)) return std::nullopt;
    return size;
}

std::optional<Size> ImageLayerPictures::RenderText(VisualObject& text) const {
    if (!text.image) text.image = std::make_shared<CImageBuffer>();
    if (!RenderObjectText(*text.image, text, "")) return std::nullopt;
    return text.image->GetSize();
}

std::optional<platform::Surface> ImageLayerPictures::CreateBitmap(VisualObject& object, Size size) const {
    std::shared_ptr<const platform::Surface> shared = SharedBitmap(object, size);
    if (!shared) return std::nullopt;
    return *shared;
}

std::shared_ptr<const platform::Surface> ImageLayerPictures::SharedBitmap(VisualObject& object, Size size) const {
    if (!object.image) object.image = std::make_shared<CImageBuffer>();
    Size natural;
    if (object.isText) {
        if (!RenderObjectText(*object.image, object, "")) return nullptr;
        std::optional<platform::Surface> text = object.image->CreateBitmapFromBase(natural, size.width, size.height);
        return text ? std::make_shared<const platform::Surface>(std::move(*text)) : nullptr;
    }
    // Kept across the saver's scenarios: about eight full-HD pictures.
    static DecodedPictureCache decoded(64u << 20);
    if (std::shared_ptr<const platform::Surface> kept = decoded.Find(object.data, size)) return kept;
    std::optional<platform::Surface> bitmap = object.image->LoadAndCreateBitmap(object.data, natural, size.width, size.height);
    if (!bitmap) return nullptr;
    auto picture = std::make_shared<const platform::Surface>(std::move(*bitmap));
    decoded.Keep(object.data, size, picture);
    return picture;
}

std::optional<platform::Surface> ImageLayerPictures::CreateTextBitmap(VisualObject& text, const std::string& part) const {
    CImageBuffer partial;
    Size natural;
    if (!RenderObjectText(partial, text, part)) return std::nullopt;
    return partial.CreateBitmapFromBase(natural, 0, 0);
}

}  // namespace korv
