#pragma once
// The settings dialog's window, apart from what its buttons mean: it shows
// the controls as given, hands them back to the handlers on every click and
// shows what the handlers made of them.

#include <functional>
#include <optional>
#include <string>

namespace korv::platform {

// The exit rules: standard (any input ends the saver) or the checked boxes.
enum class SettingsExitRules { Standard, Custom };

// The proxy radio buttons, stored as "ProxyStatus" 0, 1 and 2.
enum class SettingsProxyChoice { None, Automatic, Manual };

// What each control shows and whether it takes input.
struct SettingsDialogControls {
    SettingsExitRules exitRules = SettingsExitRules::Standard;
    // The custom exit rules: which input ends the saver.
    bool exitOnMouseMove = false;
    bool exitOnClick = false;
    bool exitOnDoubleClick = false;
    bool exitOnKeyPressed = false;
    bool exitOnEscape = false;

    bool mute = false;
    bool noUpdateChecks = false;

    SettingsProxyChoice proxy = SettingsProxyChoice::Automatic;
    std::string proxyAddress;
    std::string proxyPort = "0";  // as typed; OK checks it

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

// Each handler gets the controls as the user left them and changes them to
// what the dialog shows next.
struct SettingsDialogHandlers {
    std::function<void(SettingsDialogControls&)> exitRulesChosen;
    std::function<void(SettingsDialogControls&)> proxyChosen;
    std::function<void(SettingsDialogControls&)> authenticationToggled;
    // OK: an empty text closes the dialog, any other is shown to the user
    // and the dialog stays open.
    std::function<std::string(const SettingsDialogControls&)> ok;
};

// Shows the dialog modally until OK (true) or Cancel (false) closes it.
// False as well when no display could be opened.
bool RunSettingsDialog(const std::string& caption, const SettingsDialogControls& controls,
                       const SettingsDialogHandlers& handlers);

}  // namespace korv::platform
