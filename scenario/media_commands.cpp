#include "scenario/media_commands.h"

#include <algorithm>

#include "platform/message_box.h"
#include "resources/string_table.h"
#include "scenario/record_io.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

template <typename Play, typename Fn>
void ForEachPlayField(Play& play, Fn&& fn) {
    fn("count", play.count);
    fn("infinite", play.infinite);
    fn("wait", play.wait);
    fn("loop", play.loop);
    fn("width", play.width);
    fn("height", play.height);
    fn("x", play.x);
    fn("y", play.y);
    fn("centreX", play.centreX);
    fn("centreY", play.centreY);
    fn("fullScreen", play.fullScreen);
    fn("hasFrame", play.hasFrame);
    fn("frame", play.frame);
}

}  // namespace

int32_t MediaKindOfFile(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    std::string extension = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    if (extension == "WAV") return MediaWave;
    if (extension == "AVI") return MediaVideo;
    if (extension == "SWF") return MediaFlash;
    if (extension == "MID") return MediaMidi;
    return MediaMp3;
}

void CMedia::LoadFields(platform::ArchiveReader& archive) {
    int32_t dataSize = ReadCount(archive, "media size");
    // Media without data ends its record here.
    if (dataSize == 0) return;
    fileName = ReadScrambledText(archive);
    kind = archive.ReadI32();
    data = ReadScrambledBlock(archive, dataSize);
    extra = ReadScrambledText(archive);
}

void CMedia::WriteFields(platform::ArchiveWriter& archive) const {
    archive.WriteI32(static_cast<int32_t>(data.size()));
    if (data.empty()) return;
    WriteScrambledText(archive, fileName);
    archive.WriteI32(kind);
    WriteScrambledBlock(archive, data);
    WriteScrambledText(archive, extra);
}

void CMedia::DescribeFields(FieldSink& sink) const {
    sink.Int("dataSize", static_cast<int64_t>(data.size()));
    sink.Text("fileName", fileName);
    sink.Int("kind", kind);
    sink.Data("data", data);
    sink.Text("extra", extra);
}

bool CMedia::Prepare(const ObjectPictures&) {
    if (UnusedWhileDisabled(*this, referrers_)) return true;
    if (data.empty()) {
        platform::ShowMessageBox(LoadString(IDS_CHOOSE_MEDIA), platform::MessageBoxIcon::Stop);
        return false;
    }
    return true;
}

void MediaCommand::SetTarget(SceneCommand* target) {
    target_ = target && target->Code() == CodeMedia ? static_cast<CMedia*>(target) : nullptr;
}

bool MediaCommand::PrepareFields() {
    if (target_) return true;
    platform::ShowMessageBox(LoadString(IDS_CHOOSE_MEDIA), platform::MessageBoxIcon::Stop);
    return false;
}

void PlayCommand::LoadFields(platform::ArchiveReader& archive) {
    ForEachPlayField(*this, [&](const char*, int32_t& field) { field = archive.ReadI32(); });
}

void PlayCommand::WriteFields(platform::ArchiveWriter& archive) const {
    ForEachPlayField(*this, [&](const char*, const int32_t& field) { archive.WriteI32(field); });
}

void PlayCommand::DescribeFields(FieldSink& sink) const {
    ForEachPlayField(*this, [&](const char* name, const int32_t& field) { sink.Int(name, field); });
}

}  // namespace korv
