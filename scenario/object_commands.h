#pragma once
// SHOW, MOVE and HIDE (record codes 1–3): commands that act on a declared
// picture or text, with where and how (placement block) and a colour.

#include "scenario/parameter_blocks.h"
#include "scenario/scene_command.h"
#include "scenario/visual_object.h"

namespace korv {

class ObjectCommand : public SceneCommand {
public:
    PlacementBlock placement;
    ColourBlock colour;

    // The declared object this command acts on, once the scenario is loaded.
    VisualObject* Target() const { return target_; }
    void SetTarget(SceneCommand* target) override;
    int Execute(SceneContext&, int&) override { return 0; }

protected:
    bool HasTarget() const { return target_ != nullptr; }

protected:
    using SceneCommand::SceneCommand;
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    bool PrepareFields() override;
    void DescribeFields(FieldSink& sink) const override;

private:
    SceneCommand* targetCommand_ = nullptr;  // as referenced, whatever its kind
    VisualObject* target_ = nullptr;         // the same when it is a picture or text
};

class ShowCommand : public SceneCommandOf<ShowCommand, ObjectCommand> {
public:
    ShowCommand() : SceneCommandOf(CodeShow) {}
    int Execute(SceneContext& context, int& index) override;
};

class MoveCommand : public SceneCommandOf<MoveCommand, ObjectCommand> {
public:
    MoveCommand() : SceneCommandOf(CodeMove) {}
    int Execute(SceneContext& context, int& index) override;
};

class HideCommand : public SceneCommandOf<HideCommand, ObjectCommand> {
public:
    HideCommand() : SceneCommandOf(CodeHide) {}
    int Execute(SceneContext& context, int& index) override;
};

}  // namespace korv
