// The user's web browser on Linux desktops: $BROWSER, the desktop's default
// browser (xdg-settings and desktop entry files) and xdg-open.

#include "platform/web_browser.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "platform/file.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace korv::platform {

namespace {

namespace fs = std::filesystem;

// Desktop entry files are small; anything much larger is not one.
constexpr size_t kMaxDesktopEntrySize = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// Undoes the escapes of a desktop entry string value (\s \n \t \r \\);
// other backslash pairs stay as they are for the Exec quoting rules.
std::string UndoStringEscapes(const std::string& value) {
    std::string result;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        char next = value[i + 1];
        switch (next) {
            case 's': result += ' '; break;
            case 'n': result += '\n'; break;
            case 't': result += '\t'; break;
            case 'r': result += '\r'; break;
            case '\\': result += '\\'; break;
            default: result += '\\'; result += next; break;
        }
        ++i;
    }
    return result;
}

// Splits an Exec value into its words: bare words end at a blank; quoted
// words end at the closing '"', and within them a backslash escapes
// '"', '`', '$' and '\'.
std::vector<std::string> SplitExecWords(const std::string& exec) {
    std::string text = UndoStringEscapes(exec);
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::string word;
        if (text[i] == '"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                char c = text[i];
                if (c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (c == '\\' && i + 1 < text.size()) {
                    char next = text[i + 1];
                    if (next == '"' || next == '`' || next == '$' || next == '\\') {
                        word += next;
                        i += 2;
                        continue;
                    }
                }
                word += c;
                ++i;
            }
            if (!closed) return {};  // malformed: do not guess
        } else {
            while (i < text.size() && !IsBlank(text[i])) word += text[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

// The folders that hold desktop entries, most important first.
std::vector<fs::path> ApplicationFolders() {
    std::vector<fs::path> folders;
    std::string dataHome = ApplicationDataFolder();
    if (!dataHome.empty()) folders.push_back(fs::path(dataHome) / "applications");

    std::string dataDirs = GetEnv("XDG_DATA_DIRS").value_or("");
    if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= dataDirs.size()) {
        size_t end = dataDirs.find(':', start);
        if (end == std::string::npos) end = dataDirs.size();
        std::string folder = dataDirs.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') folders.push_back(fs::path(folder) / "applications");
        start = end + 1;
    }
    return folders;
}

// A desktop file id names a file under an applications folder, with the '/'
// of sub-folders written as '-' ("kde4-konsole.desktop" may be
// "kde4/konsole.desktop").
std::optional<std::string> FindDesktopEntry(const std::string& id) {
    for (const fs::path& folder : ApplicationFolders()) {
        if (auto contents = ReadFileText((folder / id).string(), kMaxDesktopEntrySize)) return contents;

        std::error_code error;
        if (id.find('-') == std::string::npos || !fs::is_directory(folder, error)) continue;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it.depth() > 8) {
                it.disable_recursion_pending();
                continue;
            }
            std::string relative = it->path().lexically_relative(folder).generic_string();
            for (char& c : relative)
                if (c == '/') c = '-';
            if (relative != id) continue;
            if (auto contents = ReadFileText(it->path().string(), kMaxDesktopEntrySize)) return contents;
        }
    }
    return std::nullopt;
}

bool IsUsableDesktopId(const std::string& id) {
    static const std::string kSuffix = ".desktop";
    return id.size() > kSuffix.size() && id.compare(id.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0 &&
           id.find('/') == std::string::npos && id.find('\0') == std::string::npos;
}

}  // namespace

std::string ProgramFromExecValue(const std::string& exec) {
    std::vector<std::string> words = SplitExecWords(exec);
    size_t index = 0;
    if (index < words.size() && fs::path(words[index]).filename() == "env") {
        ++index;
        while (index < words.size() && words[index].find('=') != std::string::npos && words[index][0] != '-')
            ++index;
    }
    return index < words.size() ? words[index] : std::string();
}

std::string ExecValueOfDesktopEntry(const std::string& contents) {
    bool inMainGroup = false;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        std::string line = Trim(contents.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (Trim(line.substr(0, equals)) == "Exec") return Trim(line.substr(equals + 1));
    }
    return {};
}

std::string BrowserFromEnvironment() {
    std::string list = GetEnv("BROWSER").value_or("");
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string entry = Trim(list.substr(start, end - start));
        start = end + 1;
        if (entry.empty()) continue;

        // The entry is a command; its program is the first word, which may
        // be quoted.
        std::string program;
        if (entry[0] == '"' || entry[0] == '\'') {
            size_t close = entry.find(entry[0], 1);
            if (close == std::string::npos) return {};
            program = entry.substr(1, close - 1);
        } else {
            size_t blank = 0;
            while (blank < entry.size() && !IsBlank(entry[blank])) ++blank;
            program = entry.substr(0, blank);
        }
        return FindProgram(program);
    }
    return {};
}

std::string BrowserFromDesktopDefault() {
    std::optional<std::string> output = CaptureProgramOutput("xdg-settings", {"get", "default-web-browser"}, 4096);
    if (!output) return {};
    std::string id = Trim(output->substr(0, output->find('\n')));
    if (!IsUsableDesktopId(id)) return {};

    std::optional<std::string> entry = FindDesktopEntry(id);
    if (!entry) return {};
    std::string program = ProgramFromExecValue(ExecValueOfDesktopEntry(*entry));
    if (program.empty()) return {};
    return FindProgram(program);
}

bool OpenWithDesktopHandler(const std::string& url) { return StartProgram("xdg-open", {url}); }

}  // namespace korv::platform
