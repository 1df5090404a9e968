#include "scenario/html_commands.h"

#include "scenario/record_io.h"

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
