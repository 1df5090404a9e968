#include "platform/settings_store.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/folders.h"

namespace korv::platform {

namespace {

constexpr const char* kValuesFileName = "@values.reg";
constexpr const char* kLockFileName = "@lock";
constexpr size_t kMaxValuesFileSize = 4 * 1024 * 1024;

// Value names compare without regard to ASCII case, as registry names do.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A key part as a folder name: characters that are unsafe or special in a
// path ('/', '%', '@', a leading '.', control bytes) become %XX.
std::string EscapeKeyPart(const std::string& part) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < part.size(); ++i) {
        auto c = static_cast<unsigned char>(part[i]);
        bool plain = c >= 0x20 && c != 0x7F && c != '/' && c != '%' && c != '@' && !(i == 0 && c == '.');
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string QuoteText(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at `line[at]`; advances `at` past the closing quote.
std::optional<std::string> UnquoteText(const std::string& line, size_t& at) {
    if (at >= line.size() || line[at] != '"') return std::nullopt;
    std::string out;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++at >= line.size()) return std::nullopt;
        switch (line[at]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (at + 2 >= line.size()) return std::nullopt;
                int high = HexDigit(line[at + 1]), low = HexDigit(line[at + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                out += static_cast<char>(high * 16 + low);
                at += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<SettingsValue> ParseLine(const std::string& line) {
    size_t at = 0;
    auto name = UnquoteText(line, at);
    if (!name || at >= line.size() || line[at] != '=') return std::nullopt;
    ++at;
    SettingsValue value;
    value.name = *name;
    static const std::string dwordTag = "dword:";
    if (line.compare(at, dwordTag.size(), dwordTag) == 0) {
        at += dwordTag.size();
        size_t digits = line.size() - at;
        if (digits == 0 || digits > 8) return std::nullopt;
        uint32_t number = 0;
        for (; at < line.size(); ++at) {
            int digit = HexDigit(line[at]);
            if (digit < 0) return std::nullopt;
            number = number * 16 + static_cast<uint32_t>(digit);
        }
        value.type = SettingsValue::Type::Number;
        value.number = number;
        return value;
    }
    auto text = UnquoteText(line, at);
    if (!text || at != line.size()) return std::nullopt;
    value.type = SettingsValue::Type::String;
    value.text = *text;
    return value;
}

}  // namespace

std::string FormatSettingsValues(const std::string& key, const std::vector<SettingsValue>& values) {
    std::string out = "; " + QuoteText(key) + "\n";
    char hex[16];
    for (const auto& value : values) {
        out += QuoteText(value.name) + "=";
        if (value.type == SettingsValue::Type::Number) {
            std::snprintf(hex, sizeof hex, "%08x", value.number);
            out += "dword:";
            out += hex;
        } else {
            out += QuoteText(value.text);
        }
        out += "\n";
    }
    return out;
}

std::vector<SettingsValue> ParseSettingsValues(const std::string& text) {
    std::vector<SettingsValue> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        auto value = ParseLine(line);
        if (!value) continue;
        // A later line for the same name wins, as a re-imported value would.
        auto same = std::find_if(values.begin(), values.end(),
                                 [&](const SettingsValue& v) { return SameName(v.name, value->name); });
        if (same != values.end())
            *same = *value;
        else
            values.push_back(*value);
    }
    return values;
}

SettingsStore::SettingsStore(std::string rootFolder) : root_(std::move(rootFolder)) {}

SettingsStore SettingsStore::ForUser() { return SettingsStore(JoinPath(ConfigFolder(), "Halcyra")); }

std::string SettingsStore::KeyFolder(const std::string& key) const {
    std::string folder = root_;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string::npos) end = key.size();
        if (end > start) folder = JoinPath(folder, EscapeKeyPart(key.substr(start, end - start)));
        start = end + 1;
    }
    return folder;
}

bool SettingsStore::WriteKeyFile(const std::string& key, const std::vector<SettingsValue>& values) {
    namespace fs = std::filesystem;
    const fs::path root(root_);
    const fs::path folder(KeyFolder(key));
    std::error_code error;
    fs::path current = root;
    auto makePrivate = [&](const fs::path& path) {
        fs::create_directory(path, error);
        if (error) return false;
        fs::file_status status = fs::symlink_status(path, error);
        if (error) return false;
        // A folder the user linked elsewhere is used but not tightened.
        if (fs::is_symlink(status)) return fs::is_directory(fs::status(path, error)) && !error;
        if (!fs::is_directory(status)) return false;
        if ((status.permissions() & (fs::perms::group_all | fs::perms::others_all)) != fs::perms::none)
            fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, error);
        return !error;
    };
    fs::create_directories(root.parent_path(), error);
    if (!makePrivate(root)) return false;
    for (const fs::path& part : folder.lexically_relative(root)) {
        if (part == ".") continue;
        current /= part;
        if (!makePrivate(current)) return false;
    }
    return ReplaceFileAtomically(ValuesFile(key), FormatSettingsValues(key, values));
}

std::string SettingsStore::ValuesFile(const std::string& key) const {
    return JoinPath(KeyFolder(key), kValuesFileName);
}

std::vector<SettingsValue> SettingsStore::ReadValues(const std::string& key) const {
    auto text = ReadFileText(ValuesFile(key), kMaxValuesFileSize);
    if (!text) return {};
    return ParseSettingsValues(*text);
}

std::optional<uint32_t> SettingsStore::ReadNumber(const std::string& key, const std::string& name) const {
    for (const auto& value : ReadValues(key))
        if (SameName(value.name, name))
            return value.type == SettingsValue::Type::Number ? std::optional<uint32_t>(value.number) : std::nullopt;
    return std::nullopt;
}

std::optional<std::string> SettingsStore::ReadString(const std::string& key, const std::string& name) const {
    for (const auto& value : ReadValues(key))
        if (SameName(value.name, name))
            return value.type == SettingsValue::Type::String ? std::optional<std::string>(value.text) : std::nullopt;
    return std::nullopt;
}

bool SettingsStore::Modify(const std::string& key, const std::string& name, const SettingsValue* replacement) {
    FileLock lock(JoinPath(KeyFolder(key), kLockFileName));
    if (!lock.Held()) return false;
    auto values = ReadValues(key);
    auto same = std::find_if(values.begin(), values.end(), [&](const SettingsValue& v) { return SameName(v.name, name); });
    if (replacement) {
        if (same != values.end())
            *same = *replacement;
        else
            values.push_back(*replacement);
    } else {
        if (same == values.end()) return true;
        values.erase(same);
    }
    return WriteKeyFile(key, values);
}

bool SettingsStore::WriteNumber(const std::string& key, const std::string& name, uint32_t number) {
    SettingsValue value{name, SettingsValue::Type::Number, number, {}};
    return Modify(key, name, &value);
}

bool SettingsStore::WriteString(const std::string& key, const std::string& name, const std::string& text) {
    SettingsValue value{name, SettingsValue::Type::String, 0, text};
    return Modify(key, name, &value);
}

bool SettingsStore::DeleteValue(const std::string& key, const std::string& name) { return Modify(key, name, nullptr); }

bool SettingsStore::KeyExists(const std::string& key) const {
    std::error_code error;
    return std::filesystem::is_directory(KeyFolder(key), error);
}

bool SettingsStore::CreateKey(const std::string& key) {
    if (KeyExists(key)) return true;
    FileLock lock(JoinPath(KeyFolder(key), kLockFileName));
    if (!lock.Held()) return false;
    if (ReadFileText(ValuesFile(key), kMaxValuesFileSize)) return true;
    return WriteKeyFile(key, {});
}

}  // namespace korv::platform
