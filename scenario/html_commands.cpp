#include "scenario/html_commands.h"

#include <cctype>
#include <filesystem>
#include <string_view>

#include "media/temporary_media_file.h"
#include "scenario/record_io.h"
#include "scenario/scene_context.h"
#include "scenario/scene_html.h"

namespace korv {

void ShowHtmlCommand::LoadFields(platform::ArchiveReader& archive) {
    placement.Load(archive);
    fullScreen = archive.ReadI32();
    isAddress = archive.ReadI32();
    source = ReadScrambledText(archive);
    if (isAddress == 0) data = ReadScrambledBlock(archive, ReadCount(archive, "page size"));
}

void ShowHtmlCommand::WriteFields(platform::ArchiveWriter& archive) const {
    placement.Write(archive);
    archive.WriteI32(fullScreen);
    archive.WriteI32(isAddress);
    WriteScrambledText(archive, source);
    if (isAddress == 0) {
        archive.WriteI32(static_cast<int32_t>(data.size()));
        WriteScrambledBlock(archive, data);
    }
}

void ShowHtmlCommand::DescribeFields(FieldSink& sink) const {
    placement.Describe(sink);
    sink.Int("fullScreen", fullScreen);
    sink.Int("isAddress", isAddress);
    sink.Text("source", source);
    if (isAddress == 0) {
        sink.Int("dataSize", static_cast<int64_t>(data.size()));
        sink.Data("data", data);
    }
}

}  // namespace korv

namespace korv {

namespace {

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

bool HasExtensionNoCase(const std::string& name, std::string_view extension) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string own = name.substr(dot + 1);
    return own.size() == extension.size() && StartsWithNoCase(own, extension);
}

// The view's area: the whole screen (below the exit bar when there is one)
// or the placement's point with x2, y2 as width and height.
Rect ViewArea(const ShowHtmlCommand& command, SceneContext& scene) {
    if (command.fullScreen != 0) {
        Size screen = scene.Window().ClientSize();
        if (scene.HasExitButtonBar()) return {0, 20, screen.width, screen.height + 20};
        return {0, 0, screen.width, screen.height};
    }
    const PlacementBlock& at = command.placement;
    return Rect::FromSize(at.x1, at.y1, at.x2, at.y2);
}

}  // namespace

std::string ShowHtmlCommand::Address(std::string* ownedFile) const {
    if (isAddress != 0) {
        if (StartsWithNoCase(source, "http://") || StartsWithNoCase(source, "https://")) return source;
        return "http://" + source;
    }
    std::string file = MakeTemporaryMediaFile(data, HasExtensionNoCase(source, "mht") ? ".mht" : ".html");
    if (file.empty()) return {};
    if (ownedFile) *ownedFile = file;
    return "file://" + std::filesystem::absolute(file).string();
}

int ShowHtmlCommand::Execute(SceneContext& scene, int&) {
    SceneHtml* html = scene.Html();
    if (!html) return 0;
    Rect area = ViewArea(*this, scene);
    html->SaveBackground(scene.Window(), area);
    html->StopView(scene);
    std::string ownedFile;
    std::string url = Address(&ownedFile);
    html->StartView(scene, area, url, ownedFile);
    return 0;
}

int HideHtmlCommand::Execute(SceneContext& scene, int&) {
    SceneHtml* html = scene.Html();
    if (!html) return 0;
    html->StopView(scene);
    if (restore != 0) html->RestoreBackground(scene.Window());
    return 0;
}

}  // namespace korv
