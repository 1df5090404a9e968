#pragma once
// SHOWHTML and HIDEHTML (record codes 14, 15): a web page over part of the
// screen, from an embedded file or an address.

#include <vector>

#include "scenario/parameter_blocks.h"
#include "scenario/scene_command.h"

namespace korv {

class ShowHtmlCommand : public SceneCommandOf<ShowHtmlCommand> {
public:
    ShowHtmlCommand() : SceneCommandOf(CodeShowHtml) {}
    PlacementBlock placement;  // x2, y2: width and height of the view
    int32_t fullScreen = 0;
    int32_t isAddress = 1;
    std::string source;          // file name or address
    std::vector<uint8_t> data;   // the embedded page when it is a file
    // The address the view opens: an address gets "http://" unless it has
    // a web scheme; an embedded page is written to a temporary file (its
    // path goes to `ownedFile`) opened as "file://…", or nothing when the
    // file could not be written.
    std::string Address(std::string* ownedFile) const;
    int Execute(SceneContext& scene, int&) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;
};

class HideHtmlCommand : public SceneCommandOf<HideHtmlCommand> {
public:
    HideHtmlCommand() : SceneCommandOf(CodeHideHtml) {}
    int32_t restore = 0;
    int Execute(SceneContext& scene, int&) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override { restore = archive.ReadI32(); }
    void WriteFields(platform::ArchiveWriter& archive) const override { archive.WriteI32(restore); }
    void DescribeFields(FieldSink& sink) const override { sink.Int("restore", restore); }
};

}  // namespace korv
