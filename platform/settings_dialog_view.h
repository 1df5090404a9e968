#pragma once
// The settings dialog's window, apart from what its buttons mean: it shows
// the controls as given, hands them back to the handlers on every click and
// shows what the handlers made of them.

#include <functional>
#include <optional>
#include <string>

namespace korv::platform {

// What each control shows and whether it takes input.
struct SettingsDialogControls {
    bool customExit = false;  // "Custom exit settings" rather than "Standard"
    bool exitOnMouseMove = false;
    bool exitOnClick = false;
    bool exitOnDoubleClick = false;
    bool exitOnKeyPressed = false;
    bool exitOnEscape = false;

    bool mute = false;
    bool noUpdateChecks = false;

    int proxy = 1;  // 0 none, 1 automatic, 2 manual
    std::string proxyAddress;
    std::string proxyPort;

    bool useAuthentication = false;
    std::string username;
    std::string password;

    std::optional<std::string> nextUpdate;  // the label is hidden without one

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
