#include "media/sound/mp3_analyzer.h"

#include <optional>

#include "media/sound/mp3_frame_scan.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "resources/string_table.h"

namespace korv {

void CMP3Analyzer::Wrap(const uint8_t* data, size_t size) {
    owned_.clear();
    bytes_ = data ? std::span<const uint8_t>(data, size) : std::span<const uint8_t>();
    firstFrameOffset_ = -1;
}

bool CMP3Analyzer::ReadFile(const std::string& fileName) {
    Wrap(nullptr, 0);
    std::optional<std::vector<uint8_t>> bytes;
    if (!fileName.empty()) bytes = platform::ReadFileBytes(fileName);
    if (!bytes) {
        platform::ShowMessageBox(LoadString(IDS_FILE_ACCESS_ERROR));
        return false;
    }
    owned_ = std::move(*bytes);
    bytes_ = owned_;
    return true;
}

bool CMP3Analyzer::FindFirstFrame() {
    firstFrameOffset_ = -1;
    const std::optional<Mp3FirstFrame> first = FindFirstMp3Frame(bytes_);
    if (!first) return false;
    firstFrameOffset_ = static_cast<int64_t>(first->offset);
    header_ = first->header;
    return true;
}

std::span<const uint8_t> CMP3Analyzer::Frames() const {
    if (firstFrameOffset_ < 0) return {};
    return bytes_.subspan(static_cast<size_t>(firstFrameOffset_));
}

}  // namespace korv
