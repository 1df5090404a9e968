#pragma once
// How the pictures and texts of a scenario are measured when it loads and
// made into bitmaps when they are shown: by the image layer. A tool or a
// test that must not decode or render gives a class of its own instead.

#include <cstdint>
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
    virtual std::optional<Size> MeasurePicture(std::span<const uint8_t> encoded) const;
    // Renders a text object's text with its font and colours into its image;
    // the rendered size, or nothing when it cannot be rendered.
    virtual std::optional<Size> RenderText(VisualObject& text) const;
    // The object's bitmap at `size` (a picture decoded and scaled, or the
    // rendered text); nothing when it cannot be made.
    virtual std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const;
    // `part` (a part of a text object's text) rendered with the object's font
    // and colours at its natural size; used by the typewriter.
    virtual std::optional<platform::Surface> CreateTextBitmap(VisualObject& text, const std::string& part) const;
};

// The image layer's pictures (what the saver plays with).
const ObjectPictures& ImageLayerPictures();

}  // namespace korv
