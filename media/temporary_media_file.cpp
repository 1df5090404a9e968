#include "media/temporary_media_file.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>

#include "saver/data_files.h"

namespace korv {

namespace fs = std::filesystem;

namespace {

std::timed_mutex filesMutex;
std::set<std::string>& LiveFiles() {
    static auto* files = new std::set<std::string>;  // outlives every thread that may still use it
    return *files;
}

void Remember(const std::string& path) {
    std::lock_guard lock(filesMutex);
    LiveFiles().insert(path);
}

}  // namespace

std::string MakeTemporaryMediaFile(std::span<const uint8_t> data, const std::string& extension) {
    std::string written;
    if (!WriteTempFile(data.data(), data.size(), written)) return {};
    Remember(written);
    std::string copy = written + extension;
    std::error_code error;
    fs::copy_file(written, copy, fs::copy_options::overwrite_existing, error);
    if (!error) {
        Remember(copy);
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, error);
    }
    DeleteTemporaryMediaFile(written);
    if (error) {
        DeleteTemporaryMediaFile(copy);
        return {};
    }
    return copy;
}

void DeleteTemporaryMediaFile(const std::string& path) {
    if (path.empty()) return;
    std::error_code ignored;
    fs::remove(path, ignored);
    std::lock_guard lock(filesMutex);
    LiveFiles().erase(path);
}

void DeleteAllTemporaryMediaFiles() {
    std::unique_lock lock(filesMutex, std::defer_lock);
    if (!lock.try_lock_for(std::chrono::milliseconds(100))) return;
    std::error_code ignored;
    for (const std::string& path : LiveFiles()) fs::remove(path, ignored);
    LiveFiles().clear();
}

}  // namespace korv
