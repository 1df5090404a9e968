#include "saver/folder_contents.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "saver/path_parts.h"

namespace korv {

namespace {

namespace fs = std::filesystem;

// Folders nested deeper than this are not emptied (and count as a failure).
constexpr int kMaxFolderDepth = 512;

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
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

}  // namespace

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

}  // namespace korv
