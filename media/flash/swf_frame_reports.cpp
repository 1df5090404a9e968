#include "media/flash/swf_frame_reports.h"

#include <charconv>
#include <string>

#include "media/flash/swf_movie.h"
#include "media/flash/swf_tags.h"

namespace korv {

namespace {

constexpr uint8_t kActionEnd = 0x00;
constexpr uint8_t kActionStop = 0x07;
constexpr uint8_t kActionTrace = 0x26;
constexpr uint8_t kActionPush = 0x96;
constexpr uint8_t kPushString = 0x00;
// Frame numbers of a timeline fit the header's u16 frame count; more
// frames than that are a damaged movie, not one worth reporting on.
constexpr size_t kMaxReportedFrames = 65535;

// push "korv-frame:N"; trace; [stop;] end
std::vector<uint8_t> FrameReportAction(size_t frame, bool stop) {
    std::string text = std::string(kFrameReportPrefix) + std::to_string(frame);
    size_t pushLength = 1 + text.size() + 1;  // type, characters, terminator
    std::vector<uint8_t> code = {kActionPush, static_cast<uint8_t>(pushLength), static_cast<uint8_t>(pushLength >> 8),
                                 kPushString};
    code.insert(code.end(), text.begin(), text.end());
    code.push_back(0);
    code.push_back(kActionTrace);
    if (stop) code.push_back(kActionStop);
    code.push_back(kActionEnd);
    return code;
}

}  // namespace

std::optional<std::vector<uint8_t>> AddFrameReports(std::span<const uint8_t> file, bool stopOnLastFrame) {
    auto movie = ReadSwfMovie(file);
    if (!movie || movie->actionScript3) return std::nullopt;
    std::span<const uint8_t> bytes = movie->uncompressed;

    // The main timeline's ShowFrames; sprites' own timelines lie inside
    // their DefineSprite tags and are copied whole. The player reads no
    // further than the End tag, nor does this.
    std::vector<size_t> showFrames;
    size_t offset = movie->tagsOffset;
    size_t tagsEnd = bytes.size();
    while (offset < bytes.size()) {
        auto tag = ReadSwfTag(bytes, offset);
        if (!tag) return std::nullopt;
        if (tag->code == kSwfShowFrameTag) {
            if (showFrames.size() == kMaxReportedFrames) return std::nullopt;
            showFrames.push_back(tag->start);
        }
        offset = tag->End();
        if (tag->code == kSwfEndTag) {
            tagsEnd = offset;
            break;
        }
    }
    if (showFrames.empty()) return std::nullopt;

    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(movie->tagsOffset));
    out.reserve(tagsEnd + showFrames.size() * 40);
    size_t copied = movie->tagsOffset;
    for (size_t frame = 0; frame < showFrames.size(); ++frame) {
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(copied),
                   bytes.begin() + static_cast<std::ptrdiff_t>(showFrames[frame]));
        copied = showFrames[frame];
        bool last = frame + 1 == showFrames.size();
        AppendSwfTag(out, kSwfDoActionTag, FrameReportAction(frame, stopOnLastFrame && last));
    }
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(copied),
               bytes.begin() + static_cast<std::ptrdiff_t>(tagsEnd));
    if (out.size() > UINT32_MAX) return std::nullopt;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(out.size() >> (8 * i));
    return out;
}

std::optional<int> ParseFrameReport(std::string_view traceText) {
    if (!traceText.starts_with(kFrameReportPrefix)) return std::nullopt;
    std::string_view digits = traceText.substr(kFrameReportPrefix.size());
    if (digits.ends_with('\n')) digits.remove_suffix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
    int frame = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), frame);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return frame;
}

}  // namespace korv
