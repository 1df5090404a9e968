#include "scenario/scenario.h"

#include "platform/exception.h"

namespace korv {

namespace {

std::unique_ptr<Scenario>& GlobalSlot() {
    static std::unique_ptr<Scenario> scenario = std::make_unique<Scenario>();
    return scenario;
}

}  // namespace

void Scenario::Load(platform::ArchiveReader&) {
    Clear();
    // The scene object list reader arrives with the scene command classes;
    // until then no scenario loads and callers take their failure path.
    throw ArchiveException("scenario files cannot be read by this engine yet");
}

Scenario& GlobalScenario() { return *GlobalSlot(); }

void ResetGlobalScenario() { GlobalSlot() = std::make_unique<Scenario>(); }

}  // namespace korv
