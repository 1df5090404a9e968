#include "tools/desktop_entry.h"

#include <cstring>

namespace korv::tool {

namespace {

// A string value: backslashes escaped, control characters dropped.
std::string StringValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) continue;
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

// One argument of Exec: in double quotes when it holds a reserved character,
// with '"', '`', '$' and '\' escaped inside them; '%' doubled, as a bare
// '%' starts a field code.
std::string ExecArgument(const std::string& argument) {
    bool quote = argument.empty() || argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string result = quote ? "\"" : "";
    for (char c : argument) {
        if (quote && std::strchr("\"`$\\", c)) result += '\\';
        result += c == '%' ? std::string("%%") : std::string(1, c);
    }
    if (quote) result += '"';
    return result;
}

std::string UnescapeValue(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            char next = value[++i];
            c = next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        }
        text += c;
    }
    return text;
}

}  // namespace

std::string ScreensaverDesktopEntry(const std::string& name, const std::string& programPath,
                                    const std::string& arguments) {
    std::string exec = ExecArgument(programPath);
    if (!arguments.empty()) exec += " " + arguments;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" + StringValue(name) + "\n"
           "Comment=Korv screen saver\n"
           "TryExec=" + StringValue(programPath) + "\n"
           "Exec=" + StringValue(exec) + "\n"
           "StartupNotify=false\n"
           "NoDisplay=true\n"
           "Categories=Screensaver;\n";
}

std::string DesktopEntryProgram(const std::string& text) {
    const std::string key = "\nTryExec=";
    std::string withBreak = "\n" + text;
    size_t at = withBreak.find(key);
    if (at == std::string::npos) return {};
    size_t begin = at + key.size();
    size_t end = withBreak.find('\n', begin);
    return UnescapeValue(withBreak.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
}

}  // namespace korv::tool
