#include "tools/xscreensaver_config.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace korv::tool {

namespace {

// A resource value: from after the colon to the end of its last line.
struct ValueSpan {
    size_t begin = 0;
    size_t end = 0;
};

// One entry of a list value as the file holds it.
struct RawEntry {
    std::string text;                  // with continuations and escapes resolved
    size_t tileBegin = 0, tileEnd = 0;  // after the previous "\n" to after its own
    size_t contentLineStart = std::string::npos;
    bool separated = false;  // ends with "\n"
    size_t afterContinuation = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

size_t LineEnd(const std::string& text, size_t pos) {
    size_t end = text.find('\n', pos);
    return end == std::string::npos ? text.size() : end;
}

// A line that ends with an odd number of backslashes goes on on the next.
bool Continues(const std::string& text, size_t lineStart, size_t lineEnd) {
    size_t count = 0;
    while (lineEnd > lineStart + count && text[lineEnd - 1 - count] == '\\') ++count;
    return count % 2 == 1 && lineEnd < text.size();
}

// "programs", also with a "*" or a class name before it ("*programs",
// "XScreenSaver.programs").
bool NamesPrograms(const std::string& name) {
    const std::string key = "programs";
    std::string trimmed = Trim(name);
    if (trimmed.size() < key.size() || trimmed.compare(trimmed.size() - key.size(), key.size(), key) != 0)
        return false;
    if (trimmed.size() == key.size()) return true;
    char before = trimmed[trimmed.size() - key.size() - 1];
    return before == '*' || before == '.';
}

std::optional<ValueSpan> FindProgramsValue(const std::string& text) {
    std::optional<ValueSpan> found;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = LineEnd(text, lineStart);
        size_t first = lineStart;
        while (first < lineEnd && IsBlank(text[first])) ++first;
        bool comment = first < lineEnd && (text[first] == '!' || text[first] == '#');
        size_t colon = text.find(':', first);
        bool programs = !comment && colon < lineEnd && NamesPrograms(text.substr(first, colon - first));
        size_t valueEnd = lineEnd;
        size_t start = lineStart;
        while (!comment && Continues(text, start, valueEnd)) {
            start = valueEnd + 1;
            valueEnd = LineEnd(text, start);
        }
        if (programs) found = ValueSpan{colon + 1, valueEnd};
        lineStart = valueEnd + 1;
    }
    return found;
}

std::vector<RawEntry> SplitEntries(const std::string& text, ValueSpan value) {
    std::vector<RawEntry> entries;
    RawEntry current;
    current.tileBegin = value.begin;
    size_t lineStart = value.begin;
    size_t i = value.begin;
    while (i < value.end) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            i += 2;
            lineStart = i;
        } else if (c == '\\' && i + 1 < value.end && text[i + 1] == 'n') {
            i += 2;
            current.tileEnd = i;
            current.separated = true;
            current.afterContinuation = text.compare(i, 2, "\\\n") == 0 ? i + 2 : i;
            entries.push_back(current);
            current = RawEntry();
            current.tileBegin = i;
        } else {
            char logical = c;
            if (c == '\\' && i + 1 < value.end) logical = text[++i];
            if (!IsBlank(logical) && current.contentLineStart == std::string::npos) current.contentLineStart = lineStart;
            current.text += logical;
            ++i;
        }
    }
    current.tileEnd = value.end;
    entries.push_back(current);
    return entries;
}

// The first word of a shell command, its quotes and escapes resolved.
std::string FirstShellWord(const std::string& command) {
    std::string word;
    size_t i = 0;
    while (i < command.size() && !IsBlank(command[i])) {
        char c = command[i++];
        if (c == '\'') {
            while (i < command.size() && command[i] != '\'') word += command[i++];
            ++i;
        } else if (c == '"') {
            while (i < command.size() && command[i] != '"') {
                if (command[i] == '\\' && i + 1 < command.size() &&
                    std::string("\"\\$`").find(command[i + 1]) != std::string::npos)
                    ++i;
                word += command[i++];
            }
            ++i;
        } else if (c == '\\' && i < command.size()) {
            word += command[i++];
        } else {
            word += c;
        }
    }
    return word;
}

ProgramsEntry ParseEntry(const RawEntry& raw) {
    ProgramsEntry entry;
    std::string rest = Trim(raw.text);
    if (!rest.empty() && rest[0] == '-') {
        entry.disabled = true;
        rest = Trim(rest.substr(1));
    }
    size_t word = 0;
    while (word < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[word])) || rest[word] == '_')) ++word;
    if (word > 0 && word < rest.size() && rest[word] == ':') {
        entry.visual = rest.substr(0, word);
        rest = Trim(rest.substr(word + 1));
    }
    if (!rest.empty() && rest[0] == '"') {
        size_t close = rest.find('"', 1);
        if (close != std::string::npos) {
            entry.name = rest.substr(1, close - 1);
            rest = Trim(rest.substr(close + 1));
        }
    }
    entry.command = rest;
    entry.program = FirstShellWord(rest);
    // An entry on lines of its own goes with those lines (which keeps the
    // "programs:" line as it is); otherwise with the text after the entry
    // before it.
    if (raw.separated && raw.contentLineStart != std::string::npos && raw.contentLineStart > raw.tileBegin &&
        raw.afterContinuation > raw.tileEnd) {
        entry.removeBegin = raw.contentLineStart;
        entry.removeEnd = raw.afterContinuation;
    } else {
        entry.removeBegin = raw.tileBegin;
        entry.removeEnd = raw.tileEnd;
    }
    return entry;
}

std::vector<ProgramsEntry> ParseEntries(const std::string& text, ValueSpan value) {
    std::vector<ProgramsEntry> entries;
    for (const RawEntry& raw : SplitEntries(text, value))
        if (!Trim(raw.text).empty()) entries.push_back(ParseEntry(raw));
    return entries;
}

bool IsShellSafe(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string("/._+,:@%-").find(c) != std::string::npos;
}

std::string ShellWord(const std::string& text) {
    if (!text.empty() && std::all_of(text.begin(), text.end(), IsShellSafe)) return text;
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
    return quoted + "'";
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

}  // namespace

std::optional<std::vector<ProgramsEntry>> ReadProgramsList(const std::string& text) {
    auto value = FindProgramsValue(text);
    if (!value) return std::nullopt;
    return ParseEntries(text, *value);
}

std::optional<std::string> ProgramsValueText(const std::string& text) {
    auto value = FindProgramsValue(text);
    if (!value) return std::nullopt;
    return text.substr(value->begin, value->end - value->begin);
}

bool FitsProgramsList(const std::string& path) {
    return std::none_of(path.begin(), path.end(), [](char c) { return c == '\\' || IsControl(c); });
}

std::string FormatProgramsEntry(const std::string& name, const std::string& programPath,
                                const std::string& arguments) {
    std::string cleanName;
    for (char c : name)
        if (c != '"' && c != '\\' && !IsControl(c)) cleanName += c;
    std::string entry = cleanName.empty() ? "" : "\"" + cleanName + "\"  ";
    entry += ShellWord(programPath);
    if (!arguments.empty()) entry += " " + arguments;
    return entry;
}

std::string AddProgramsEntry(const std::string& text, const std::string& entry, const std::string& defaultList) {
    std::string result = text;
    auto value = FindProgramsValue(result);
    if (!value) {
        if (!result.empty() && result.back() != '\n') result += '\n';
        if (!result.empty()) result += '\n';
        result += "programs:";
        size_t begin = result.size();
        result += defaultList;
        value = ValueSpan{begin, result.size()};
        result += '\n';
    }
    std::vector<RawEntry> raw = SplitEntries(result, *value);
    bool terminated = Trim(raw.back().text).empty();
    size_t lastLineStart = result.rfind('\n', value->end == 0 ? 0 : value->end - 1);
    lastLineStart = lastLineStart == std::string::npos ? 0 : lastLineStart + 1;
    bool lastLineBlank = std::all_of(result.begin() + lastLineStart, result.begin() + value->end, IsBlank);
    if (terminated && lastLineStart > value->begin && lastLineBlank)
        result.insert(lastLineStart, "  " + entry + "  \\n\\\n");
    else
        result.insert(value->end, std::string(terminated ? "" : "\\n") + "\\\n  " + entry + "  \\n");
    return result;
}

std::string RemoveProgramsEntries(const std::string& text, const std::string& programPath) {
    auto value = FindProgramsValue(text);
    if (!value) return text;
    std::string result = text;
    // The spans of neighbouring entries may overlap (a first entry takes the
    // line break after it); removing their union removes both.
    std::vector<std::pair<size_t, size_t>> spans;
    for (const ProgramsEntry& entry : ParseEntries(text, *value)) {
        if (entry.program != programPath) continue;
        if (!spans.empty() && entry.removeBegin <= spans.back().second)
            spans.back().second = std::max(spans.back().second, entry.removeEnd);
        else
            spans.emplace_back(entry.removeBegin, entry.removeEnd);
    }
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) result.erase(it->first, it->second - it->first);
    return result;
}

}  // namespace korv::tool
