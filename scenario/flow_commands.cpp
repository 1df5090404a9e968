#include "scenario/flow_commands.h"

#include "scenario/movement.h"
#include "scenario/record_io.h"
#include "scenario/scenario.h"
#include "scenario/scene_context.h"

namespace korv {

void WaitCommand::LoadFields(platform::ArchiveReader& archive) {
    milliseconds = archive.ReadI32();
    random = archive.ReadI32();
}

void WaitCommand::WriteFields(platform::ArchiveWriter& archive) const {
    archive.WriteI32(milliseconds);
    archive.WriteI32(random);
}

void WaitCommand::DescribeFields(FieldSink& sink) const {
    sink.Int("milliseconds", milliseconds);
    sink.Int("random", random);
}

namespace {

uint32_t RasterOpOfMode(int32_t mode) {
    if (mode == 0) return kRasterCopy;
    if (mode == 1) return kRasterPaint;
    return kRasterAnd;
}

}  // namespace

int WaitCommand::Execute(SceneContext& context, int&) {
    PickWait(*this, static_cast<uint32_t>(context.Clock().Now()));
    if (milliseconds > 0) context.Sleep(static_cast<uint32_t>(milliseconds));
    return 0;
}

int ClearCommand::Execute(SceneContext& context, int&) {
    PickColour(colour, SeedSourcesOf(context));
    context.Window().SetBackground(colour.colour, RasterOpOfMode(colour.rasterMode));
    return 0;
}

int UrlCommand::Execute(SceneContext& context, int&) {
    if (off)
        context.Window().ClearLink();
    else
        context.Window().SetLink(link, number);
    return 0;
}

void UntilCommand::LoadFields(platform::ArchiveReader& archive) {
    count = archive.ReadI32();
    infinite = archive.ReadI32();
}

void UntilCommand::WriteFields(platform::ArchiveWriter& archive) const {
    archive.WriteI32(count);
    archive.WriteI32(infinite);
}

void UntilCommand::DescribeFields(FieldSink& sink) const {
    sink.Int("count", count);
    sink.Int("infinite", infinite);
}

bool UntilCommand::PrepareFields() {
    const Scenario* scenario = Owner();
    int32_t repeat = scenario ? scenario->MatchingRepeat(Index()) : -1;
    if (repeat < 0) return false;  // no REPEAT opens this loop: the scenario cannot play
    bodyStart_ = repeat + 1;
    return true;
}

int UntilCommand::Execute(SceneContext&, int& index) {
    if (!infinite && ++runs_ >= count) {
        runs_ = 0;  // an enclosing loop runs this one again in full
        return 0;
    }
    index = bodyStart_ - 1;
    return 0;
}

void UrlCommand::LoadFields(platform::ArchiveReader& archive) {
    off = archive.ReadI32();
    number = archive.ReadI32();
    link = ReadScrambledText(archive);
}

void UrlCommand::WriteFields(platform::ArchiveWriter& archive) const {
    archive.WriteI32(off);
    archive.WriteI32(number);
    WriteScrambledText(archive, link);
}

void UrlCommand::DescribeFields(FieldSink& sink) const {
    sink.Int("off", off);
    sink.Int("number", number);
    sink.Text("link", link);
}

}  // namespace korv
