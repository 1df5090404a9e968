#pragma once
// Commands that pace and shape playback: WAIT, CLS, REPEAT, UNTIL, COMMENT
// and URL (record codes 4–7, 12, 13).

#include <optional>

#include "scenario/parameter_blocks.h"
#include "scenario/scene_command.h"

namespace korv {

class WaitCommand : public SceneCommandOf<WaitCommand> {
public:
    static constexpr int32_t kRandomRange = 3001;
    WaitCommand() : SceneCommandOf(CodeWait) {}
    int32_t milliseconds = 0;
    int32_t random = 0;
    // Pauses (a random duration below kRandomRange when `random`), ending
    // early when the scene stops.
    int Execute(SceneContext& context, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;
};

// A new random duration (0–3000 ms, at least 150 ms from the previous one)
// when the wait asks for one; `timeSeed` seeds the generator.
void PickWait(WaitCommand& wait, uint32_t timeSeed);

class ClearCommand : public SceneCommandOf<ClearCommand> {
public:
    ClearCommand() : SceneCommandOf(CodeClear) {}
    ColourBlock colour;
    // Sets the window's background colour and raster operation and repaints.
    int Execute(SceneContext& context, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override { colour.Load(archive); }
    void WriteFields(platform::ArchiveWriter& archive) const override { colour.Write(archive); }
    void DescribeFields(FieldSink& sink) const override { colour.Describe(sink); }
};

class RepeatCommand : public SceneCommandOf<RepeatCommand> {
public:
    RepeatCommand() : SceneCommandOf(CodeRepeat) {}
    // Notes when the loop was entered: the start of its first pass.
    int Execute(SceneContext& context, int& index) override;
    // The scene clock's tick at that moment; none before the loop ran.
    std::optional<uint32_t> EnteredAt() const { return enteredAt_; }

private:
    std::optional<uint32_t> enteredAt_;
};

class UntilCommand : public SceneCommandOf<UntilCommand> {
public:
    UntilCommand() : SceneCommandOf(CodeUntil) {}
    int32_t count = 1;
    int32_t infinite = 0;

    // The first command of the loop's body (after the matching REPEAT).
    int32_t BodyStart() const { return bodyStart_; }
    // Loop control: back to the body until it ran `count` times (or
    // forever). A pass that took less than a display frame waits out the
    // rest of it first, so a loop that never waits neither holds a
    // processor nor keeps the scene's clock from moving on.
    int Execute(SceneContext& context, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    bool PrepareFields() override;
    void DescribeFields(FieldSink& sink) const override;

private:
    int32_t bodyStart_ = -1;
    int32_t runs_ = 0;
    const RepeatCommand* repeat_ = nullptr;
    // The start of the running pass after the loop went round; none on the
    // first pass, which starts at the REPEAT.
    std::optional<uint32_t> passStart_;
};

class CommentCommand : public SceneCommandOf<CommentCommand> {
public:
    CommentCommand() : SceneCommandOf(CodeComment) {}
    std::string comment;
    int Execute(SceneContext&, int&) override { return 0; }

protected:
    void LoadFields(platform::ArchiveReader& archive) override { comment = archive.ReadString(); }
    void WriteFields(platform::ArchiveWriter& archive) const override { archive.WriteString(comment); }
    void DescribeFields(FieldSink& sink) const override { sink.Text("comment", comment); }
};

class UrlCommand : public SceneCommandOf<UrlCommand> {
public:
    UrlCommand() : SceneCommandOf(CodeUrl) {}
    int32_t off = 0;
    int32_t number = 0;
    std::string link;
    // Sets or clears the window's link.
    int Execute(SceneContext& context, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;
};

}  // namespace korv
