#include "scenario/visual_object.h"

#include <algorithm>

#include "platform/message_box.h"
#include "resources/string_table.h"
#include "scenario/object_pictures.h"
#include "scenario/record_io.h"

namespace korv {

bool UnusedWhileDisabled(const SceneCommand& declaration, const std::vector<SceneCommand*>& referrers) {
    return declaration.IsDisabled() &&
           std::all_of(referrers.begin(), referrers.end(), [](SceneCommand* user) { return user->IsDisabled(); });
}

void VisualObject::LoadFields(platform::ArchiveReader& archive) {
    isText = archive.ReadI32();
    opaque = archive.ReadI32();
    mode = archive.ReadI32();
    width = archive.ReadI32();
    height = archive.ReadI32();
    fitScreen = archive.ReadI32();
    keepAspect = archive.ReadI32();
    if (isText) {
        textColour = archive.ReadU32();
        backColour = archive.ReadU32();
        align = archive.ReadI32();
        text = ReadScrambledText(archive);
        font = LogFont::Read(archive);
        extra = ReadScrambledText(archive);
        return;
    }
    int32_t dataSize = ReadCount(archive, "picture size");
    // A picture without data ends its record here.
    if (dataSize == 0) return;
    fileName = ReadScrambledText(archive);
    data = ReadScrambledBlock(archive, dataSize);
    extra = ReadScrambledText(archive);
}

void VisualObject::WriteFields(platform::ArchiveWriter& archive) const {
    archive.WriteI32(isText);
    archive.WriteI32(opaque);
    archive.WriteI32(mode);
    archive.WriteI32(width);
    archive.WriteI32(height);
    archive.WriteI32(fitScreen);
    archive.WriteI32(keepAspect);
    if (isText) {
        archive.WriteU32(textColour);
        archive.WriteU32(backColour);
        archive.WriteI32(align);
        WriteScrambledText(archive, text);
        font.Write(archive);
        WriteScrambledText(archive, extra);
        return;
    }
    archive.WriteI32(static_cast<int32_t>(data.size()));
    if (data.empty()) return;
    WriteScrambledText(archive, fileName);
    WriteScrambledBlock(archive, data);
    WriteScrambledText(archive, extra);
}

void VisualObject::DescribeFields(FieldSink& sink) const {
    sink.Int("isText", isText);
    sink.Int("opaque", opaque);
    sink.Int("mode", mode);
    sink.Int("width", width);
    sink.Int("height", height);
    sink.Int("fitScreen", fitScreen);
    sink.Int("keepAspect", keepAspect);
    if (isText) {
        sink.Int("textColour", textColour);
        sink.Int("backColour", backColour);
        sink.Int("align", align);
        sink.Text("text", text);
        sink.BeginGroup("font");
        sink.Int("lfHeight", font.height);
        sink.Int("lfWidth", font.width);
        sink.Int("lfEscapement", font.escapement);
        sink.Int("lfOrientation", font.orientation);
        sink.Int("lfWeight", font.weight);
        sink.Int("lfItalic", font.italic);
        sink.Int("lfUnderline", font.underline);
        sink.Int("lfStrikeOut", font.strikeOut);
        sink.Int("lfCharSet", font.charSet);
        sink.Int("lfOutPrecision", font.outPrecision);
        sink.Int("lfClipPrecision", font.clipPrecision);
        sink.Int("lfQuality", font.quality);
        sink.Int("lfPitchAndFamily", font.pitchAndFamily);
        sink.Text("lfFaceName", font.FaceName());
        sink.EndGroup();
    } else {
        sink.Int("dataSize", static_cast<int64_t>(data.size()));
        sink.Text("fileName", fileName);
        sink.Data("data", data);
    }
    sink.Text("extra", extra);
}

bool VisualObject::Prepare(const ObjectPictures& pictures) {
    if (UnusedWhileDisabled(*this, referrers_)) return true;
    if (isText) {
        std::optional<Size> rendered = pictures.RenderText(*this);
        if (!rendered) {
            platform::ShowMessageBox(text + LoadString(IDS_TEXT_BITMAP_FAILED), platform::MessageBoxIcon::Stop);
            return false;
        }
        naturalWidth = rendered->width;
        naturalHeight = rendered->height;
        return true;
    }
    if (data.empty()) {
        platform::ShowMessageBox(LoadString(IDS_CHOOSE_IMAGE), platform::MessageBoxIcon::Stop);
        return false;
    }
    // A picture that does not decode still loads; showing it reports the failure.
    if (std::optional<Size> measured = pictures.MeasurePicture(data)) {
        naturalWidth = measured->width;
        naturalHeight = measured->height;
    }
    return true;
}

}  // namespace korv
