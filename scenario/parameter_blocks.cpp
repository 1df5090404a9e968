#include "scenario/parameter_blocks.h"

namespace korv {

namespace {

// The 24 fields in their stored order, for reading, writing and naming.
template <typename Block, typename Fn>
void ForEachPlacementField(Block& block, Fn&& fn) {
    fn("anchorX1", block.anchorX1);
    fn("anchorY1", block.anchorY1);
    fn("anchorX2", block.anchorX2);
    fn("anchorY2", block.anchorY2);
    fn("x1", block.x1);
    fn("y1", block.y1);
    fn("x2", block.x2);
    fn("y2", block.y2);
    fn("stepX", block.stepX);
    fn("stepY", block.stepY);
    fn("alongX", block.alongX);
    fn("boundMode", block.boundMode);
    fn("boundX", block.boundX);
    fn("boundY", block.boundY);
    fn("boundFlag", block.boundFlag);
    fn("boundLimit", block.boundLimit);
    fn("freeMove", block.freeMove);
    fn("speedPeriod", block.speedPeriod);
    fn("labelPeriod", block.labelPeriod);
    fn("label", block.label);
    fn("keepBackground", block.keepBackground);
    fn("saveUnder", block.saveUnder);
    fn("effect", block.effect);
    fn("effectSpeed", block.effectSpeed);
}

}  // namespace

void PlacementBlock::SetDirectionFromPoints() {
    stepX = x2 < x1 ? -1 : 1;
    stepY = y2 < y1 ? -1 : 1;
    alongX = x1 == x2 ? 1 : 0;
}

void PlacementBlock::Load(platform::ArchiveReader& archive) {
    ForEachPlacementField(*this, [&](const char*, int32_t& field) { field = archive.ReadI32(); });
}

void PlacementBlock::Write(platform::ArchiveWriter& archive) const {
    ForEachPlacementField(*this, [&](const char*, const int32_t& field) { archive.WriteI32(field); });
}

void PlacementBlock::Describe(FieldSink& sink) const {
    sink.BeginGroup("placement");
    ForEachPlacementField(*this, [&](const char* name, const int32_t& field) { sink.Int(name, field); });
    sink.EndGroup();
}

void ColourBlock::Load(platform::ArchiveReader& archive) {
    colour = archive.ReadU32();
    rasterMode = archive.ReadI32();
    randomColour = archive.ReadI32();
    useWindowColour = archive.ReadI32();
}

void ColourBlock::Write(platform::ArchiveWriter& archive) const {
    archive.WriteU32(colour);
    archive.WriteI32(rasterMode);
    archive.WriteI32(randomColour);
    archive.WriteI32(useWindowColour);
}

void ColourBlock::Describe(FieldSink& sink) const {
    sink.BeginGroup("colour");
    sink.Int("colour", colour);
    sink.Int("rasterMode", rasterMode);
    sink.Int("randomColour", randomColour);
    sink.Int("useWindowColour", useWindowColour);
    sink.EndGroup();
}

}  // namespace korv
