#pragma once
// The settings dialog apart from its widgets: what it shows when it opens,
// how its buttons change that, and what OK stores. A dialog built on it
// copies the state into its controls, calls the handlers on clicks, copies
// what the user typed back and calls Ok; Cancel simply does not call Ok.

#include <optional>
#include <string>

#include "platform/clock.h"
#include "saver/saver_config.h"
#include "saver/saver_settings.h"

namespace korv::settings_dialog {

// The exit rules: standard (any input ends the saver) or the checked boxes.
enum class ExitRules { Standard, Custom };

// The proxy radio buttons, stored as "ProxyStatus" 0, 1 and 2.
enum class ProxyChoice { None, Automatic, Manual };

// Everything the dialog shows.
struct State {
    ExitRules exitRules = ExitRules::Standard;
    // The custom exit rules: which input ends the saver.
    bool exitOnMouseMove = false;
    bool exitOnClick = false;
    bool exitOnDoubleClick = false;
    bool exitOnKeyPressed = false;
    bool exitOnEscape = false;

    bool mute = false;
    bool noUpdateChecks = false;

    ProxyChoice proxy = ProxyChoice::Automatic;
    std::string proxyAddress;
    std::string proxyPort = "0";  // as typed; Ok checks it

    bool useAuthentication = false;
    std::string username;
    std::string password;

    // When the next update check is due; the label is hidden without one.
    std::optional<std::string> nextUpdate;

    // Which edits and boxes take input.
    bool customBoxesEnabled = false;
    bool proxyEditsEnabled = false;
    bool credentialEditsEnabled = false;
};

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
