#include "scenario/flow_commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/colour.h"
#include "scenario/command_sequence.h"
#include "scenario/movement.h"
#include "scenario/record_io.h"
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

void PickWait(WaitCommand& wait, uint32_t timeSeed) {
    if (!wait.random) return;
    RandomGenerator generator(timeSeed);
    int32_t previous = wait.milliseconds;
    // Every value 0–3000 comes up within a few draws; the bound only guards
    // against a generator that never leaves a narrow band.
    for (int tries = 0; tries < 10000; ++tries) {
        wait.milliseconds = static_cast<int32_t>((int64_t{generator.Next()} + wait.milliseconds) % 3001);
        if (wait.milliseconds < 0) wait.milliseconds += 3001;
        if (std::abs(int64_t{wait.milliseconds} - previous) >= 150) return;
    }
}

namespace {

// The shortest pass of a loop that goes round again: one display frame.
constexpr uint32_t kFrameMilliseconds = 16;

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
    context.Window().SetBackground(platform::StoredToColour(colour.colour), RasterOpOfMode(colour.rasterMode));
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

int RepeatCommand::Execute(SceneContext& context, int&) {
    enteredAt_ = context.Clock().TickCount();
    return 0;
}

bool UntilCommand::PrepareFields() {
    const CommandSequence* scenario = Owner();
    int32_t repeat = scenario ? scenario->MatchingRepeat(Index()) : -1;
    if (repeat < 0) return false;  // no REPEAT opens this loop: the scenario cannot play
    bodyStart_ = repeat + 1;
    repeat_ = static_cast<const RepeatCommand*>(&scenario->At(static_cast<size_t>(repeat)));
    return true;
}

int UntilCommand::Execute(SceneContext& context, int& index) {
    if (!infinite && ++runs_ >= count) {
        runs_ = 0;  // an enclosing loop runs this one again in full
        passStart_.reset();
        return 0;
    }
    // The pass began at the later of the loop's entry and its last going
    // round (a pass cut short by a stop leaves the latter behind). Without
    // either (a disabled REPEAT) the first pass goes unpaced.
    const uint32_t now = context.Clock().TickCount();
    std::optional<uint32_t> took;
    for (const std::optional<uint32_t>& start : {repeat_ ? repeat_->EnteredAt() : std::nullopt, passStart_})
        if (start) took = std::min(took.value_or(UINT32_MAX), now - *start);  // wraps like the tick count
    if (took && *took < kFrameMilliseconds) context.Clock().WaitFor(context.StopEvent(), kFrameMilliseconds - *took);
    passStart_ = context.Clock().TickCount();
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
