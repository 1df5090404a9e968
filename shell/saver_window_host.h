#pragma once
// What the saver window asks of the application that runs it.

#include <string>

namespace korv {

class SSWnd;

class SaverWindowHost {
public:
    virtual ~SaverWindowHost() = default;
    // Measures the machine's speed for the window unless the stored figure
    // belongs to this machine.
    virtual void CalibrateSpeedForWindow() = 0;
    // The OS-version code the password check tests (Windows 2000 = 4).
    virtual int OsVersion() const = 0;
    // The scenario's link that the user took with its key; opened at the end.
    virtual void SetExitUrl(const std::string& url) = 0;
    // The window's update timer ticked.
    virtual void OnUpdateTimer(SSWnd& window) = 0;
    // The window is going away: stops the threads, each within a bounded wait.
    virtual void EndSaverThreads() = 0;
};

}  // namespace korv
