// korv-settings: the settings dialog of one saver. The engine writes the
// saver's name and its defaults to our standard input (see
// settings_program.h); OK stores the settings in the user's store.
// Exits with 2 on unusable input, else with 0.

#include <iostream>
#include <iterator>

#include "platform/clock.h"
#include "platform/settings_dialog_view.h"
#include "platform/settings_store.h"
#include "shell/settings_dialog_model.h"
#include "shell/settings_program.h"

namespace {

using korv::platform::SettingsDialogControls;
namespace dialog = korv::settings_dialog;

SettingsDialogControls ToControls(const dialog::State& state) {
    SettingsDialogControls c;
    c.customExit = state.exitRules == dialog::ExitRules::Custom;
    c.exitOnMouseMove = state.exitOnMouseMove;
    c.exitOnClick = state.exitOnClick;
    c.exitOnDoubleClick = state.exitOnDoubleClick;
    c.exitOnKeyPressed = state.exitOnKeyPressed;
    c.exitOnEscape = state.exitOnEscape;
    c.mute = state.mute;
    c.noUpdateChecks = state.noUpdateChecks;
    c.proxy = static_cast<int>(state.proxy);
    c.proxyAddress = state.proxyAddress;
    c.proxyPort = state.proxyPort;
    c.useAuthentication = state.useAuthentication;
    c.username = state.username;
    c.password = state.password;
    c.nextUpdate = state.nextUpdate;
    c.customBoxesEnabled = state.customBoxesEnabled;
    c.proxyEditsEnabled = state.proxyEditsEnabled;
    c.credentialEditsEnabled = state.credentialEditsEnabled;
    return c;
}

dialog::State ToState(const SettingsDialogControls& c) {
    dialog::State state;
    state.exitRules = c.customExit ? dialog::ExitRules::Custom : dialog::ExitRules::Standard;
    state.exitOnMouseMove = c.exitOnMouseMove;
    state.exitOnClick = c.exitOnClick;
    state.exitOnDoubleClick = c.exitOnDoubleClick;
    state.exitOnKeyPressed = c.exitOnKeyPressed;
    state.exitOnEscape = c.exitOnEscape;
    state.mute = c.mute;
    state.noUpdateChecks = c.noUpdateChecks;
    state.proxy = static_cast<dialog::ProxyChoice>(c.proxy);
    state.proxyAddress = c.proxyAddress;
    state.proxyPort = c.proxyPort;
    state.useAuthentication = c.useAuthentication;
    state.username = c.username;
    state.password = c.password;
    state.nextUpdate = c.nextUpdate;
    state.customBoxesEnabled = c.customBoxesEnabled;
    state.proxyEditsEnabled = c.proxyEditsEnabled;
    state.credentialEditsEnabled = c.credentialEditsEnabled;
    return state;
}

}  // namespace

int main() {
    std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    auto input = korv::DecodeSettingsProgramInput(text);
    if (!input || input->saverName.empty()) {
        std::cerr << "korv-settings: unusable input on standard input\n";
        return 2;
    }

    korv::SaverSettings settings(korv::platform::SettingsStore::ForUser(), input->saverName);
    korv::SaverConfig config;
    config.useAuth = input->useAuth;
    config.username = input->username;
    config.password = input->password;
    config.refreshMinutes = input->refreshMinutes;
    dialog::State opened = dialog::Open(settings, config, korv::platform::SystemClock());

    korv::platform::SettingsDialogHandlers handlers;
    handlers.exitRulesChosen = [](SettingsDialogControls& c) {
        dialog::State state = ToState(c);
        dialog::ChooseExitRules(state, state.exitRules);
        c = ToControls(state);
    };
    handlers.proxyChosen = [](SettingsDialogControls& c) {
        dialog::State state = ToState(c);
        dialog::ChooseProxy(state, state.proxy);
        c = ToControls(state);
    };
    handlers.authenticationToggled = [](SettingsDialogControls& c) {
        dialog::State state = ToState(c);
        dialog::SetAuthentication(state, state.useAuthentication);
        c = ToControls(state);
    };
    handlers.ok = [&settings](const SettingsDialogControls& c) {
        return dialog::Ok(ToState(c), settings).message;
    };

    // Cancel stores nothing; OK has stored through the handler.
    korv::platform::RunSettingsDialog("Settings", ToControls(opened), handlers);
    return 0;
}
