#pragma once
// The platform's side of message boxes shown by helper processes: the
// routing (sdl/message_box.cpp) starts helpers through this, and a helper
// shows its dialog through this.

#include "platform/message_box.h"

namespace korv::platform {

// Whether the program asked for helper processes (UseMessageBoxHelpers).
bool MessageBoxHelpersEnabled();

// Starts a helper for `request` unless the same text is up already; false
// when no helper was started because too many are up or none could start.
// True for a text that is up already.
bool StartMessageBoxHelper(const MessageBoxRequest& request);

// Shows the dialog in this process and returns when the user answered it
// (the helper only); false when no dialog could be shown.
bool ShowDialogAndWait(const MessageBoxRequest& request);

}  // namespace korv::platform
