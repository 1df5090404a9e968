#include "saver/data_files.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/file.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "resources/string_table.h"
#include "saver/user_folders.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

// How many characters of a file name the read-failure message leaves out.
constexpr size_t kMessageNameSkip = 46;

void ShowCannotReadData(const std::string& path) {
    std::string name = path.size() > kMessageNameSkip ? path.substr(kMessageNameSkip) : path;
    platform::ShowMessageBox(name + LoadString(IDS_CANNOT_READ_DATA));
}

}  // namespace

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    return !error && fs::exists(status) && !fs::is_directory(status);
}

bool GetFileSizeAndTime(const std::string& path, uint64_t& size, int64_t& time) {
    if (path.empty()) return false;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    if (!std::ifstream(path, std::ios::binary)) return false;

    std::uintmax_t bytes = fs::file_size(path, error);
    if (error) return false;
    fs::file_time_type written = fs::last_write_time(path, error);
    if (error) return false;
    auto sinceEpoch = std::chrono::file_clock::to_sys(written).time_since_epoch();
    size = bytes;
    time = std::chrono::floor<std::chrono::seconds>(sinceEpoch).count();
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data) {
    data.clear();
    data.shrink_to_fit();
    std::optional<std::vector<uint8_t>> bytes;
    if (!path.empty()) bytes = platform::ReadFileBytes(path);
    if (bytes) {
        data = std::move(*bytes);
        return true;
    }
    ShowCannotReadData(path);
    return false;
}

bool WriteTempFile(const void* data, size_t size, std::string& path) {
    path.clear();
    std::string created = platform::CreateUniqueTempFile(GetTempFolder(), "Ssd");
    bool ok = !created.empty() && (data != nullptr || size == 0);
    if (ok) {
        std::ofstream out(created, std::ios::binary | std::ios::trunc);
        if (size > 0) out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        ok = !out.fail();
    }
    if (!ok) {
        std::error_code error;
        if (!created.empty()) fs::remove(created, error);
        platform::ShowMessageBox(LoadString(IDS_CANNOT_MAKE_DATA_FILE));
        return false;
    }
    path = created;
    return true;
}

}  // namespace korv
