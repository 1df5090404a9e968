#include "saver/file_helpers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/folders.h"
#include "platform/message_box.h"
#include "resources/string_table.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

// How many characters of a file name the read-failure message leaves out.
constexpr size_t kMessageNameSkip = 46;
// Folders nested deeper than this are not emptied (and count as a failure).
constexpr int kMaxFolderDepth = 512;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Makes the folders of `folder` that are missing, readable by the user only.
bool MakeFolder(const fs::path& folder) {
    std::error_code error;
    std::vector<fs::path> missing;
    for (fs::path current = folder; !current.empty() && !fs::exists(current, error); current = current.parent_path()) {
        missing.push_back(current);
        if (current == current.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        fs::create_directory(*it, error);
        if (error) return false;
        fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, error);
    }
    return fs::is_directory(folder, error);
}

bool DeleteContents(const fs::path& folder, int depth) {
    if (depth > kMaxFolderDepth) return false;
    // List first, delete afterwards: the listing must not change under the
    // iterator.
    std::error_code error;
    std::vector<fs::path> entries;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) entries.push_back(it->path());
    if (error) return false;

    for (const fs::path& entry : entries) {
        fs::file_status status = fs::symlink_status(entry, error);
        if (error) {
            if (status.type() == fs::file_type::not_found) continue;  // gone meanwhile
            return false;
        }
        if (fs::is_directory(status) && !DeleteContents(entry, depth + 1)) return false;
        fs::remove(entry, error);
        if (error) return false;
    }
    return true;
}

void ShowCannotReadData(const std::string& path) {
    std::string name = path.size() > kMessageNameSkip ? path.substr(kMessageNameSkip) : path;
    platform::ShowMessageBox(name + LoadString(IDS_CANNOT_READ_DATA));
}

}  // namespace

std::string GetSpecialFolder(int id) {
    if (id != kFolderAppData && id != kFolderLocalAppData) return {};
    std::string folder = platform::ApplicationDataFolder();
    if (folder.empty() || !MakeFolder(folder)) return {};
    return folder;
}

std::string GetTempFolder() { return platform::PrivateTempFolder(); }

std::string TempFilePath(const std::string& name) { return platform::JoinPath(GetTempFolder(), name); }

std::string FindSubfolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return {};
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (!EqualIgnoringCase(entry, name)) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) return entry;
    }
    return {};
}

bool HasSubfolder(const std::string& folder, const std::string& name) { return !FindSubfolder(folder, name).empty(); }

bool DeleteFolderContents(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code error;
    fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found) return true;
    if (error || !fs::is_directory(status)) return false;
    return DeleteContents(folder, 0);
}

std::string GetExtension(const std::string& path, bool lower) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = path.substr(dot + 1);
    if (lower) std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
    return extension;
}

std::string GetFolderPart(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

std::string GetFileTitle(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

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
    // Only regular files: a FIFO or a device could block or never end.
    std::error_code error;
    bool ok = !path.empty() && fs::is_regular_file(path, error);
    std::ifstream in;
    if (ok) {
        in.open(path, std::ios::binary);
        ok = static_cast<bool>(in);
    }
    if (ok) {
        try {
            // The size is only a hint: the file may change while it is read
            // (and some files report no size), so read until its end.
            std::uintmax_t expected = fs::file_size(path, error);
            if (!error && expected <= data.max_size()) data.reserve(static_cast<size_t>(expected));
            std::vector<char> chunk(64 * 1024);
            while (in) {
                in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                auto got = static_cast<size_t>(in.gcount());
                data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
            }
            ok = !in.bad();
        } catch (const std::exception&) {  // out of memory
            ok = false;
        }
    }
    if (ok) return true;
    data.clear();
    data.shrink_to_fit();
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
