#pragma once
// LINE (record code 8): a straight line between two placed points.

#include "scenario/parameter_blocks.h"
#include "scenario/scene_command.h"

namespace korv {

class LineCommand : public SceneCommandOf<LineCommand> {
public:
    LineCommand() : SceneCommandOf(CodeLine) {}
    ColourBlock colour;
    PlacementBlock placement;
    int32_t penStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
    int32_t penWidth = 0;
    // Places the two points (random anchors included), picks a colour when
    // asked and draws the line with the pen.
    int Execute(SceneContext& context, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override {
        colour.Load(archive);
        placement.Load(archive);
        penStyle = archive.ReadI32();
        penWidth = archive.ReadI32();
    }
    void WriteFields(platform::ArchiveWriter& archive) const override {
        colour.Write(archive);
        placement.Write(archive);
        archive.WriteI32(penStyle);
        archive.WriteI32(penWidth);
    }
    void DescribeFields(FieldSink& sink) const override {
        colour.Describe(sink);
        placement.Describe(sink);
        sink.Int("penStyle", penStyle);
        sink.Int("penWidth", penWidth);
    }
};

}  // namespace korv
