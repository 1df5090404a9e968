#include "update/update_config.h"

#include "platform/file.h"
#include "scenario/script_values.h"
#include "saver/saver_settings.h"

namespace korv {

namespace {

constexpr size_t kConfigFileLimit = 1 << 20;

// The text between `open` and `close` (both required) inside `text`.
bool Between(const std::string& text, const char* open, const char* close, std::string& inside) {
    size_t start = text.find(open);
    size_t end = text.find(close);
    if (start == std::string::npos || end == std::string::npos) return false;
    start += std::char_traits<char>::length(open);
    inside = end > start ? text.substr(start, end - start) : std::string();
    return true;
}

// The number after `name` up to the first ">" and the text after that ">".
int32_t NumberBeforeTagEnd(const std::string& text, const char* name, std::string& rest) {
    size_t at = text.find(name);
    size_t close = text.find('>');
    size_t from = at == std::string::npos ? 0 : at + std::char_traits<char>::length(name);
    rest = close == std::string::npos ? std::string() : text.substr(close + 1);
    if (close == std::string::npos || close < from) return 0;
    return AtoiRule(std::string_view(text).substr(from, close - from));
}

}  // namespace

bool ParseUpdateConfig(const std::string& text, UpdateConfigValues& values) {
    if (text.find("<KORVConfig>") == std::string::npos || text.find("</KORVConfig>") == std::string::npos) return false;
    size_t dataStart = text.find("<UpdateData");
    size_t dataEnd = text.find("</UpdateData>");
    if (dataStart == std::string::npos || dataEnd == std::string::npos) return false;
    // The tag's name and one separating character.
    size_t innerStart = dataStart + 12;
    std::string inner = dataEnd > innerStart ? text.substr(innerStart, dataEnd - innerStart) : std::string();

    UpdateConfigValues parsed;
    std::string rest;
    parsed.formatVersion = NumberBeforeTagEnd(inner, "Version=", rest);
    if (parsed.formatVersion == 500) {
        if (!Between(rest, "<Redirect>", "</Redirect>", parsed.redirect)) return false;
    }
    parsed.hasRedirect = parsed.formatVersion >= 500;
    std::string update;
    size_t updateStart = rest.find("<Update");
    if (updateStart == std::string::npos || rest.find("</Update>") == std::string::npos) return false;
    size_t updateEnd = rest.find("</Update>");
    update = updateEnd > updateStart + 7 ? rest.substr(updateStart + 7, updateEnd - updateStart - 7) : std::string();
    std::string count;
    parsed.timeType = NumberBeforeTagEnd(update, "TimeType=", count);
    parsed.intervalCount = AtoiRule(count);
    values = parsed;
    return true;
}

bool ApplyUpdateConfig(const std::string& path, SaverSettings& settings) {
    std::optional<std::string> text = platform::ReadFileText(path, kConfigFileLimit);
    UpdateConfigValues values;
    if (!text || !ParseUpdateConfig(*text, values)) return false;
    if (!settings.WriteInt(Setting::IntervalTime, values.intervalCount)) return false;
    if (!settings.WriteInt(Setting::IntervalType, values.timeType)) return false;
    if (values.hasRedirect && !settings.WriteString(Setting::RedirectValue, values.redirect)) return false;
    return true;
}

}  // namespace korv
