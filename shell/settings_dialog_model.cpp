#include "shell/settings_dialog_model.h"

#include <charconv>
#include <cstdint>

#include "saver/browser_proxy.h"
#include "shell/next_update_text.h"

namespace korv::settings_dialog {

namespace {

constexpr const char* kNotAPortMessage = "Please enter a positive integer.";

// The custom exit boxes and the settings they stand for.
struct ExitBox {
    bool State::*checked;
    Setting setting;
};
constexpr ExitBox kExitBoxes[] = {
    {&State::exitOnMouseMove, Setting::MouseMove},     {&State::exitOnClick, Setting::ButtonDown},
    {&State::exitOnDoubleClick, Setting::DoubleClick}, {&State::exitOnKeyPressed, Setting::KeyDown},
    {&State::exitOnEscape, Setting::Escape},
};

ProxyChoice ProxyChoiceOf(int32_t proxyStatus) {
    switch (proxyStatus) {
        case 1: return ProxyChoice::Automatic;
        case 2: return ProxyChoice::Manual;
        default: return ProxyChoice::None;  // 0, and values no button stands for
    }
}

int32_t ProxyStatusOf(ProxyChoice choice) {
    switch (choice) {
        case ProxyChoice::Automatic: return 1;
        case ProxyChoice::Manual: return 2;
        case ProxyChoice::None: break;
    }
    return 0;
}

// The port as the dialog holds it: an unsigned number.
std::string PortText(int32_t port) { return std::to_string(static_cast<uint32_t>(port)); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A whole number of 0 to 4294967295, blanks around it allowed.
std::optional<uint32_t> ParsePort(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin == end || text[begin] < '0' || text[begin] > '9') return std::nullopt;
    uint32_t value = 0;
    const auto [stop, error] = std::from_chars(text.data() + begin, text.data() + end, value);
    if (error != std::errc() || stop != text.data() + end) return std::nullopt;
    return value;
}

bool AnyExitBoxChecked(const State& state) {
    for (const ExitBox& box : kExitBoxes)
        if (state.*box.checked) return true;
    return false;
}

}  // namespace

State Open(const SaverSettings& settings, const SaverConfig& config, platform::Clock& clock) {
    State state;
    ChooseExitRules(state, settings.ReadInt(Setting::Standard) == 1 ? ExitRules::Standard : ExitRules::Custom);
    for (const ExitBox& box : kExitBoxes) state.*box.checked = settings.ReadInt(box.setting) != 0;
    state.mute = settings.ReadInt(Setting::Mute) != 0;
    state.noUpdateChecks = settings.ReadInt(Setting::UpdateStatus) != 0;

    const ProxyChoice proxy = ProxyChoiceOf(settings.ReadInt(Setting::ProxyStatus));
    if (proxy == ProxyChoice::Manual) {
        state.proxyAddress = settings.ReadString(Setting::ProxyAddress);
        state.proxyPort = PortText(settings.ReadInt(Setting::ProxyPort));
    }
    ChooseProxy(state, proxy);

    // LastUpdate is stored as a 32-bit count of seconds.
    const int64_t lastUpdate = static_cast<uint32_t>(settings.ReadInt(Setting::LastUpdate));
    state.nextUpdate = NextUpdateText(lastUpdate, config.refreshMinutes, clock.Now());

    const std::string& useAuthName = DefinitionOf(Setting::UseAuth).name;
    SetAuthentication(state, settings.ReadInt(useAuthName, config.useAuth) != 0);
    state.username = settings.ReadString(Setting::Username, config.username);
    state.password = settings.ReadString(Setting::Password, config.password);
    return state;
}

void ChooseExitRules(State& state, ExitRules rules) {
    state.exitRules = rules;
    state.customBoxesEnabled = rules == ExitRules::Custom;
}

void ChooseProxy(State& state, ProxyChoice choice) {
    state.proxy = choice;
    state.proxyEditsEnabled = choice == ProxyChoice::Manual;
    if (choice == ProxyChoice::Automatic) {
        std::string host;
        int port = 0;
        if (!GetBrowserProxy(host, port, true)) {
            host.clear();
            port = 0;
        }
        state.proxyAddress = host;
        state.proxyPort = PortText(port);
    }
}

void SetAuthentication(State& state, bool checked) {
    state.useAuthentication = checked;
    state.credentialEditsEnabled = checked;
}

OkResult Ok(const State& state, SaverSettings& settings) {
    const std::optional<uint32_t> port = ParsePort(state.proxyPort);
    if (!port) return {false, kNotAPortMessage};

    if (state.exitRules == ExitRules::Standard || !AnyExitBoxChecked(state)) {
        settings.WriteInt(Setting::Standard, 1);
        for (const ExitBox& box : kExitBoxes) settings.WriteInt(box.setting, 0);
    } else {
        settings.WriteInt(Setting::Standard, 0);
        for (const ExitBox& box : kExitBoxes) settings.WriteInt(box.setting, state.*box.checked ? 1 : 0);
    }
    settings.WriteInt(Setting::Mute, state.mute ? 1 : 0);
    settings.WriteInt(Setting::UpdateStatus, state.noUpdateChecks ? 1 : 0);

    if (state.proxy == ProxyChoice::Manual) {
        settings.WriteString(Setting::ProxyAddress, state.proxyAddress);
        settings.WriteInt(Setting::ProxyPort, static_cast<int32_t>(*port));
    }
    settings.WriteInt(Setting::ProxyStatus, ProxyStatusOf(state.proxy));

    settings.WriteInt(Setting::UseAuth, state.useAuthentication ? 1 : 0);
    if (state.useAuthentication) {
        settings.WriteString(Setting::Username, state.username);
        settings.WriteString(Setting::Password, state.password);
    }
    return {true, {}};
}

}  // namespace korv::settings_dialog
