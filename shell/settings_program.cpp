#include "shell/settings_program.h"

#include <charconv>
#include <vector>

#include "platform/process.h"

namespace korv {

namespace {

void AppendField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

// Takes one field from `text` at `at`; nothing when it is cut short.
std::optional<std::string> TakeField(const std::string& text, size_t& at) {
    size_t colon = text.find(':', at);
    if (colon == std::string::npos) return std::nullopt;
    size_t length = 0;
    auto [end, error] = std::from_chars(text.data() + at, text.data() + colon, length);
    if (error != std::errc() || end != text.data() + colon || length > text.size() - colon - 1)
        return std::nullopt;
    std::string field = text.substr(colon + 1, length);
    at = colon + 1 + length;
    return field;
}

std::optional<int> TakeNumber(const std::string& text, size_t& at) {
    auto field = TakeField(text, at);
    if (!field) return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(field->data(), field->data() + field->size(), value);
    if (error != std::errc() || end != field->data() + field->size()) return std::nullopt;
    return value;
}

}  // namespace

std::string EncodeSettingsProgramInput(const SettingsProgramInput& input) {
    std::string out;
    AppendField(out, input.saverName);
    AppendField(out, std::to_string(input.useAuth));
    AppendField(out, input.username);
    AppendField(out, input.password);
    AppendField(out, std::to_string(input.refreshMinutes));
    return out;
}

std::optional<SettingsProgramInput> DecodeSettingsProgramInput(const std::string& text) {
    SettingsProgramInput input;
    size_t at = 0;
    auto saverName = TakeField(text, at);
    auto useAuth = TakeNumber(text, at);
    auto username = TakeField(text, at);
    auto password = TakeField(text, at);
    auto refreshMinutes = TakeNumber(text, at);
    if (!saverName || !useAuth || !username || !password || !refreshMinutes || at != text.size())
        return std::nullopt;
    input.saverName = *saverName;
    input.useAuth = *useAuth;
    input.username = *username;
    input.password = *password;
    input.refreshMinutes = *refreshMinutes;
    return input;
}

std::string FindSettingsProgram() {
    if (auto chosen = platform::GetEnv("KORV_SETTINGS_PROGRAM"); chosen && !chosen->empty())
        return platform::FindProgram(*chosen);
    const std::vector<std::string> candidates = {
        KORV_INSTALLED_SETTINGS_PROGRAM,
        "/usr/libexec/korv/korv-settings",
        "/usr/local/libexec/korv/korv-settings",
    };
    for (const auto& candidate : candidates) {
        std::string found = platform::FindProgram(candidate);
        if (!found.empty()) return found;
    }
    return "";
}

bool RunSettingsProgram(const std::string& program, const SettingsProgramInput& input) {
    return platform::RunProgramWithInput(program, {}, EncodeSettingsProgramInput(input)).has_value();
}

}  // namespace korv
