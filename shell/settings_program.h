#pragma once
// The settings dialog runs as a program of its own, korv-settings, so that
// the engine does not carry a widget toolkit. The engine finds it, hands it
// what the dialog needs on its standard input (the password included, which
// is why it is not on the command line) and waits until the dialog closes.

#include <optional>
#include <string>

namespace korv {

// What the settings program needs: which saver's settings it edits and the
// defaults the running saver has for them.
struct SettingsProgramInput {
    std::string saverName;
    int useAuth = 0;
    std::string username;
    std::string password;
    int refreshMinutes = 0;
};

// The input as the program reads it: each field as its length, ':' and its
// bytes, so any text (line breaks included) goes through unchanged.
std::string EncodeSettingsProgramInput(const SettingsProgramInput& input);
std::optional<SettingsProgramInput> DecodeSettingsProgramInput(const std::string& text);

// The program's path: $KORV_SETTINGS_PROGRAM when set, else the first
// executable of the installed location and the usual libexec folders; empty
// when there is none.
std::string FindSettingsProgram();

// Runs `program` with the input and waits for it; false when it could not
// be started or did not end normally.
bool RunSettingsProgram(const std::string& program, const SettingsProgramInput& input);

}  // namespace korv
