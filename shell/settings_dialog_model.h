#pragma once
// The settings dialog apart from its widgets: what it shows when it opens,
// how its buttons change that, and what OK stores. A dialog built on it
// copies the state into its controls, calls the handlers on clicks, copies
// what the user typed back and calls Ok; Cancel simply does not call Ok.

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/settings_dialog_view.h"
#include "saver/saver_config.h"
#include "saver/saver_settings.h"

namespace korv::settings_dialog {

// What the dialog shows is the window's own description of its controls.
using ExitRules = platform::SettingsExitRules;
using ProxyChoice = platform::SettingsProxyChoice;
using State = platform::SettingsDialogControls;

// The state on opening, from the stored settings with the settings table's
// defaults; the credentials default to those `config` holds. An automatic
// proxy shows the browser's, which is not stored.
State Open(const SaverSettings& settings, const SaverConfig& config, platform::Clock& clock);

// The buttons.
void ChooseExitRules(State& state, ExitRules rules);
// Automatic shows the browser's proxy in the (disabled) edits.
void ChooseProxy(State& state, ProxyChoice choice);
void SetAuthentication(State& state, bool checked);

// What Ok did: stored everything, or stored nothing and has a message for
// the user (the dialog then stays open).
struct OkResult {
    bool saved = false;
    std::string message;
};

// Checks the port and stores the state. Custom exit rules without any box
// checked store the standard rules. Only a manual proxy stores address and
// port (an automatic one keeps the stored ones); the user name and password
// are stored only with authentication checked.
OkResult Ok(const State& state, SaverSettings& settings);

}  // namespace korv::settings_dialog
