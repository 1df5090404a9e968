#include "update/interrupted_writes.h"

#include <cctype>
#include <filesystem>

#include "platform/process.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDownloadPrefix = ".download-";
constexpr const char* kScenarioMark = ".zep.";
constexpr const char* kSettingsMark = ".tmp.";

// The process identifier at `position` in `name` that ends at `terminator`
// (at most nine digits: identifiers stay far below); -1 when there is none.
int ProcessIdAt(const std::string& name, size_t position, char terminator) {
    size_t end = position;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])) && end - position < 9) ++end;
    if (end == position || end >= name.size() || name[end] != terminator) return -1;
    return std::stoi(name.substr(position, end - position));
}

// Where the last `mark` in `name` ends, when it stands after the first
// character; npos otherwise.
size_t AfterMark(const std::string& name, const char* mark) {
    size_t found = name.rfind(mark);
    if (found == std::string::npos || found == 0) return std::string::npos;
    return found + std::char_traits<char>::length(mark);
}

enum class TemporaryWriteKind { None, Download, Scenario, Settings };

// A temporary write's name split into its form and its writer's process
// identifier (-1 for a body of an older build, which carries none).
struct TemporaryWrite {
    TemporaryWriteKind kind = TemporaryWriteKind::None;
    int processId = -1;
};

TemporaryWrite ParseTemporaryWriteName(const std::string& name) {
    if (name.rfind(kDownloadPrefix, 0) == 0)
        return {TemporaryWriteKind::Download, ProcessIdAt(name, std::char_traits<char>::length(kDownloadPrefix), '-')};
    size_t scenario = AfterMark(name, kScenarioMark);
    int pid = scenario == std::string::npos ? -1 : ProcessIdAt(name, scenario, '-');
    if (pid >= 0) return {TemporaryWriteKind::Scenario, pid};
    size_t settings = AfterMark(name, kSettingsMark);
    pid = settings == std::string::npos ? -1 : ProcessIdAt(name, settings, '.');
    if (pid >= 0) return {TemporaryWriteKind::Settings, pid};
    return {};
}

bool Abandoned(int pid) { return !platform::ProcessExists(pid); }

}  // namespace

std::string DownloadTempPrefix() {
    return kDownloadPrefix + std::to_string(platform::CurrentProcessId()) + "-";
}

bool IsTemporaryWriteName(const std::string& name) {
    return ParseTemporaryWriteName(name).kind != TemporaryWriteKind::None;
}

bool IsInterruptedWrite(const std::string& name) {
    const TemporaryWrite write = ParseTemporaryWriteName(name);
    switch (write.kind) {
        case TemporaryWriteKind::Download:
            // Without an identifier: a body of an older build, written
            // through mkstemp's six characters.
            if (write.processId < 0) return name.size() == std::char_traits<char>::length(kDownloadPrefix) + 6;
            return Abandoned(write.processId);
        case TemporaryWriteKind::Scenario: return Abandoned(write.processId);
        case TemporaryWriteKind::Settings:
            // A name that also carries the scenario's mark (with no identifier
            // after it) is not taken for a settings file's.
            return AfterMark(name, kScenarioMark) == std::string::npos && Abandoned(write.processId);
        case TemporaryWriteKind::None: break;
    }
    return false;
}

int RemoveInterruptedWrites(const std::string& folder, bool recursive) {
    if (folder.empty()) return 0;
    int removed = 0;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        fs::file_status status = it->symlink_status(typeError);
        if (typeError) continue;
        if (fs::is_directory(status)) {
            if (recursive) removed += RemoveInterruptedWrites(it->path().string(), true);
            continue;
        }
        if (!fs::is_regular_file(status) || !IsInterruptedWrite(it->path().filename().string())) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

}  // namespace korv
