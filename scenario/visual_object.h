#pragma once
// Pictures and texts (record code 0): declared once, shown, moved and
// hidden by other commands.

#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "scenario/log_font.h"
#include "scenario/parameter_blocks.h"
#include "scenario/scene_command.h"

namespace korv {

class CImageBuffer;

enum PictureMode : int32_t { PictureEmbedded = 1, PictureDesktop = 2, PictureWallpaper = 3 };
enum TextAlign : int32_t { AlignLeft = 0, AlignCentre = 1, AlignRight = 2 };

class VisualObject : public SceneCommandOf<VisualObject> {
public:
    VisualObject() : SceneCommandOf(CodeVisual) {}

    // Persistent fields.
    int32_t isText = 0;
    int32_t opaque = 0;
    int32_t mode = PictureEmbedded;
    int32_t width = 0;
    int32_t height = 0;
    int32_t fitScreen = 0;
    int32_t keepAspect = 0;
    // Pictures.
    std::string fileName;
    std::vector<uint8_t> data;
    // Texts (colours as stored: 0x00BBGGRR).
    uint32_t textColour = 0;
    uint32_t backColour = 0;
    int32_t align = AlignLeft;
    std::string text;
    LogFont font;
    std::string extra;

    // Set by Prepare: the natural size of the picture or the rendered text.
    int32_t naturalWidth = 0;
    int32_t naturalHeight = 0;
    // The pixels of a rendered text (and, while shown, of the picture).
    std::shared_ptr<CImageBuffer> image;

    // While playing: where the object stands, how it was last shown, and the
    // screen saved under it.
    Point position;
    // The last SHOW's or MOVE's placement (with the effect actually used)
    // and colours.
    PlacementBlock placement;
    ColourBlock colours;
    int32_t shownEffect = 0;
    bool shown = false;
    bool saveUnderActive = false;
    platform::Surface savedUnder;

    const std::vector<SceneCommand*>& Referrers() const { return referrers_; }
    void AddReferrer(SceneCommand* command) override { referrers_.push_back(command); }
    // Measures the picture or renders the text.
    bool Prepare(const ObjectPictures& pictures) override;
    int Execute(SceneContext&, int&) override { return 0; }
    const char* Word() const override { return isText ? "TEXT" : "IMAGE"; }

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;

private:
    std::vector<SceneCommand*> referrers_;
};

// Whether the declaration and every command that uses it are disabled; such
// a declaration loads without content.
bool UnusedWhileDisabled(const SceneCommand& declaration, const std::vector<SceneCommand*>& referrers);

}  // namespace korv
