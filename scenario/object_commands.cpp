#include "scenario/object_commands.h"

#include "platform/message_box.h"
#include "resources/string_table.h"
#include "scenario/object_motion.h"
#include "scenario/object_showing.h"

namespace korv {

void ObjectCommand::SetTarget(SceneCommand* target) {
    targetCommand_ = target;
    target_ = target && target->Code() == CodeVisual ? static_cast<VisualObject*>(target) : nullptr;
}

void ObjectCommand::LoadFields(platform::ArchiveReader& archive) {
    placement.Load(archive);
    colour.Load(archive);
}

void ObjectCommand::WriteFields(platform::ArchiveWriter& archive) const {
    placement.Write(archive);
    colour.Write(archive);
}

bool ObjectCommand::PrepareFields() {
    if (!target_) {
        platform::ShowMessageBox(LoadString(IDS_CHOOSE_IMAGE), platform::MessageBoxIcon::Stop);
        return false;
    }
    return placement.Prepare() && colour.Prepare();
}

void ObjectCommand::DescribeFields(FieldSink& sink) const {
    placement.Describe(sink);
    colour.Describe(sink);
}

int ShowCommand::Execute(SceneContext& context, int&) {
    if (Target()) ShowObject(*Target(), context, placement, colour);
    return 0;
}

int MoveCommand::Execute(SceneContext& context, int&) {
    if (Target()) MoveObject(*Target(), context, placement, colour);
    return 0;
}

int HideCommand::Execute(SceneContext& context, int&) {
    if (Target()) HideObject(*Target(), context);
    return 0;
}

}  // namespace korv
