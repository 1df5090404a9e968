#pragma once
// What measures the pictures and texts of a scenario when it loads and makes
// them into bitmaps when they are shown. The image layer does it all
// (ImageLayerPictures); a tool or a test that must not decode or render
// gives only what it needs, and the rest can be made by nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/surface.h"

namespace korv {

class VisualObject;

class ObjectPictures {
public:
    virtual ~ObjectPictures() = default;

    // The natural size of an encoded picture; nothing when it does not decode.
    virtual std::optional<Size> MeasurePicture(std::span<const uint8_t> encoded) const { return std::nullopt; }
    // Renders a text object's text with its font and colours into its image;
    // the rendered size, or nothing when it cannot be rendered.
    virtual std::optional<Size> RenderText(VisualObject& text) const { return std::nullopt; }
    // The object's bitmap at `size` (a picture decoded and scaled, or the
    // rendered text); nothing when it cannot be made.
    virtual std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const { return std::nullopt; }
    // The same for a caller that only reads it: a kept picture is shared
    // rather than copied (a full-screen picture is 8 MB at every SHOW).
    virtual std::shared_ptr<const platform::Surface> SharedBitmap(VisualObject& object, Size size) const {
        std::optional<platform::Surface> bitmap = CreateBitmap(object, size);
        return bitmap ? std::make_shared<const platform::Surface>(std::move(*bitmap)) : nullptr;
    }
    // `part` (a part of a text object's text) rendered with the object's font
    // and colours at its natural size; used by the typewriter.
    virtual std::optional<platform::Surface> CreateTextBitmap(VisualObject& text, const std::string& part) const {
        return std::nullopt;
    }
};

}  // namespace korv
