#pragma once
// The global list of loaded scene commands.

#include <cstddef>
#include <memory>

#include "platform/archive.h"

namespace korv {

class Scenario {
public:
    // Reads a scene object list from `archive` into this scenario. Throws
    // ArchiveException or FileException when the data is damaged; the
    // scenario is then empty.
    void Load(platform::ArchiveReader& archive);
    void Clear() { commandCount_ = 0; }
    size_t CommandCount() const { return commandCount_; }
    bool Empty() const { return commandCount_ == 0; }

private:
    size_t commandCount_ = 0;
};

// The one scenario the scene thread plays.
Scenario& GlobalScenario();
// Deletes the global scenario and creates an empty one.
void ResetGlobalScenario();

}  // namespace korv
