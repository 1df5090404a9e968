#pragma once
// Pictures and texts of a scenario measured, decoded, scaled and rendered by
// the image layer: what the saver plays with.

#include "scenario/object_pictures.h"

namespace korv {

class ImageLayerPictures final : public ObjectPictures {
public:
    std::optional<Size> MeasurePicture(std::span<const uint8_t> encoded) const override;
    std::optional<Size> RenderText(VisualObject& text) const override;
    std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const override;
    std::shared_ptr<const platform::Surface> SharedBitmap(VisualObject& object, Size size) const override;
    std::optional<platform::Surface> CreateTextBitmap(VisualObject& text, const std::string& part) const override;
};

}  // namespace korv
