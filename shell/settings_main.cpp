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

namespace dialog = korv::settings_dialog;

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
    handlers.exitRulesChosen = [](dialog::State& state) { dialog::ChooseExitRules(state, state.exitRules); };
    handlers.proxyChosen = [](dialog::State& state) { dialog::ChooseProxy(state, state.proxy); };
    handlers.authenticationToggled = [](dialog::State& state) {
        dialog::SetAuthentication(state, state.useAuthentication);
    };
    handlers.ok = [&settings](const dialog::State& state) { return dialog::Ok(state, settings).message; };

    // Cancel stores nothing; OK has stored through the handler.
    korv::platform::RunSettingsDialog("Settings", opened, handlers);
    return 0;
}
