#include "scenario/scene_command.h"

namespace korv {

const char* CommandWord(int code) {
    static const char* const words[kRecordCodeCount] = {"IMAGE", "SHOW",  "MOVE",    "HIDE", "WAIT",     "CLS",
                                                        "REPEAT", "UNTIL", "LINE",    "MEDIA", "PLAY",    "STOP",
                                                        "COMMENT", "URL",  "SHOWHTML", "HIDEHTML"};
    return code >= 0 && code < kRecordCodeCount ? words[code] : "?";
}

void SceneCommand::Load(platform::ArchiveReader& archive) {
    name_ = archive.ReadString();
    tag_ = archive.ReadI32();
    disabled_ = archive.ReadI32();
    LoadFields(archive);
}

void SceneCommand::Store(platform::ArchiveWriter& archive) const {
    archive.WriteI32(code_);
    archive.WriteString(name_);
    archive.WriteI32(tag_);
    archive.WriteI32(disabled_);
    WriteFields(archive);
}

bool SceneCommand::Prepare(const ObjectPictures&) {
    if (IsDisabled()) return true;
    return PrepareFields();
}

void SceneCommand::Describe(FieldSink& sink) const {
    sink.Int("code", code_);
    sink.Text("command", Word());
    sink.Text("name", name_);
    sink.Int("tag", tag_);
    sink.Int("disabled", disabled_);
    DescribeFields(sink);
}

}  // namespace korv
