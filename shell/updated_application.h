#pragma once
// What the update host asks of the application whose content an update
// renews: its configuration and settings, the scenario that plays and the
// saver window's notices.

#include <string>

#include "saver/saver_config.h"
#include "saver/saver_settings.h"

namespace korv {

class Scenario;

class UpdatedApplication {
public:
    virtual ~UpdatedApplication() = default;
    // The configuration the next update starts from; the update host reads
    // and writes it under its lock.
    virtual SaverConfig& Config() = 0;
    virtual SaverSettings& Settings() = 0;
    // Plays the scenario an update left at `path` as a reload that counts as
    // a check; false (and what played plays on) when it cannot.
    virtual bool ReloadUpdatedScenario(const std::string& path) = 0;
    // Plays the scenario at `path`, the time of the check stored when
    // `countsAsCheck`. 1 on success, 0 on failure.
    virtual int ReloadScenario(const std::string& path, bool countsAsCheck) = 0;
    // Loads the scenario at `path` (or the embedded one) into `target`.
    // Non-zero on success.
    virtual int LoadScenarioInto(Scenario& target, const std::string& path, bool fromBody) = 0;
    virtual const std::string& PlayingScenarioPath() const = 0;
    virtual bool NothingToPlay() const = 0;
    // The saver window closes with the notice of a newer script format.
    virtual void CloseForNewerFormat() = 0;
    // The saver window's next timer tick starts an update at once.
    virtual void RequestDownloadAtStart() = 0;
};

}  // namespace korv
