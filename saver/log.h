#pragma once
// The two diagnostic channels. Both are off in normal operation, so a
// running saver writes nothing; the environment variable KORV_LOG=1 turns
// them on for diagnosis.
//
// Application channel (`AppLog`): used by start-up, the window, the timer,
// the content store and the update control. Records nothing unless
// diagnosis is on; then each text becomes a line of "korv_log.txt".
// File log (`FileLog`): used by the scene thread, media and the update
// process. When its flag is on, each text is appended to "korvlog.txt"
// followed by CR LF. Both files live in $XDG_STATE_HOME/Halcyra.

#include <functional>
#include <string>

namespace korv {

inline constexpr const char* kAppLogFileName = "korv_log.txt";
inline constexpr const char* kFileLogFileName = "korvlog.txt";

// Binds the application channel to a file name (only stored).
void AppLogOpen(const std::string& fileName);
void AppLog(const std::string& text, int flag = 0);

// Tests observe the application channel's texts through a sink.
using LogSink = std::function<void(const std::string&)>;
void SetAppLogSink(LogSink sink);

void SetFileLogName(const std::string& fileName);
const std::string FileLogName();
void SetFileLogEnabled(bool enabled);
bool FileLogEnabled();
void FileLog(const std::string& text);
void FileLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
void FileLogDelete();

// Formats like printf into a text.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether the user asked for diagnostic logs (KORV_LOG=1).
bool DiagnosticLoggingRequested();
// The folder of the log files.
std::string LogFolder();

}  // namespace korv
