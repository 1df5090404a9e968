#include "saver/log.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "platform/folders.h"
#include "platform/process.h"

namespace korv {

namespace {

std::mutex logMutex;
std::string appLogFile;
LogSink appLogSink;
std::string fileLogName;
bool fileLogEnabled = false;

// One line per call; the mutex keeps lines of different threads whole.
void AppendLine(const std::string& path, const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return;
    out << text << "\r\n";
}

std::string VFormat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(needed));
}

}  // namespace

std::string LogFolder() { return platform::JoinPath(platform::StateFolder(), "Halcyra"); }

bool DiagnosticLoggingRequested() {
    auto value = platform::GetEnv("KORV_LOG");
    return value && *value == "1";
}

void AppLogOpen(const std::string& fileName) {
    std::lock_guard lock(logMutex);
    appLogFile = fileName;
}

void SetAppLogSink(LogSink sink) {
    std::lock_guard lock(logMutex);
    appLogSink = std::move(sink);
}

void AppLog(const std::string& text, int) {
    std::lock_guard lock(logMutex);
    if (appLogSink) appLogSink(text);
    if (!appLogFile.empty() && DiagnosticLoggingRequested()) AppendLine(appLogFile, text);
}

void SetFileLogName(const std::string& fileName) {
    std::lock_guard lock(logMutex);
    fileLogName = fileName;
}

const std::string FileLogName() {
    std::lock_guard lock(logMutex);
    return fileLogName;
}

void SetFileLogEnabled(bool enabled) {
    std::lock_guard lock(logMutex);
    fileLogEnabled = enabled;
}

bool FileLogEnabled() {
    std::lock_guard lock(logMutex);
    return fileLogEnabled;
}

void FileLog(const std::string& text) {
    std::lock_guard lock(logMutex);
    if (!fileLogEnabled || fileLogName.empty()) return;
    AppendLine(fileLogName, text);
}

void FileLogFormat(const char* format, ...) {
    if (!FileLogEnabled()) return;
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    FileLog(text);
}

void FileLogDelete() {
    std::string name = FileLogName();
    if (name.empty()) return;
    std::error_code error;
    std::filesystem::remove(name, error);
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

}  // namespace korv
