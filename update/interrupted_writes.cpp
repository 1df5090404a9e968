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

bool Abandoned(int pid) { return !platform::ProcessExists(pid); }

}  // namespace

std::string DownloadTempPrefix() {
    return kDownloadPrefix + std::to_string(platform::CurrentProcessId()) + "-";
}

bool IsTemporaryWriteName(const std::string& name) {
    if (name.rfind(kDownloadPrefix, 0) == 0) return true;
    size_t scenario = name.rfind(kScenarioMark);
    if (scenario != std::string::npos && scenario > 0 &&
        ProcessIdAt(name, scenario + std::char_traits<char>::length(kScenarioMark), '-') >= 0)
        return true;
    size_t settings = name.rfind(kSettingsMark);
    return settings != std::string::npos && settings > 0 &&
           ProcessIdAt(name, settings + std::char_traits<char>::length(kSettingsMark), '.') >= 0;
}

bool IsInterruptedWrite(const std::string& name) {
    if (name.rfind(kDownloadPrefix, 0) == 0) {
        // Without an identifier: a body of an older build, written through
        // mkstemp's six characters.
        size_t rest = std::char_traits<char>::length(kDownloadPrefix);
        int pid = ProcessIdAt(name, rest, '-');
        return pid >= 0 ? Abandoned(pid) : name.size() == rest + 6;
    }
    size_t scenario = name.rfind(kScenarioMark);
    if (scenario != std::string::npos && scenario > 0) {
        size_t rest = scenario + std::char_traits<char>::length(kScenarioMark);
        int pid = ProcessIdAt(name, rest, '-');
        return pid >= 0 && Abandoned(pid);
    }
    size_t settings = name.rfind(kSettingsMark);
    if (settings != std::string::npos && settings > 0) {
        int pid = ProcessIdAt(name, settings + std::char_traits<char>::length(kSettingsMark), '.');
        return pid >= 0 && Abandoned(pid);
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
