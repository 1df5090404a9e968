#pragma once
// Xlib errors about windows that may vanish under us.
//
// The host of an embedded window belongs to another program and may vanish at
// any moment. A process-wide Xlib error handler swallows the errors about the
// watched windows (Xlib's default handler would end the process) and marks
// the windows that turned out missing as lost.

namespace korv::platform::host_window_watch {

// Puts the handler in place; each Install is ended by one Uninstall.
void Install();
void Uninstall();

// Starts (afresh) or ends watching the X window `id`.
void Watch(unsigned long id);
void Unwatch(unsigned long id);
// Whether an error said that the watched window `id` is missing.
bool Lost(unsigned long id);

}  // namespace korv::platform::host_window_watch
