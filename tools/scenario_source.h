#pragma once
// Finding and loading the scenario in a file that is either a scenario file
// or a built saver (whose embedded scenario lies between the engine and the
// payload).

#include <cstdint>
#include <ostream>
#include <string>

#include "platform/file.h"
#include "scenario/image_layer_pictures.h"
#include "scenario/scenario.h"
#include "saver/program_file.h"

namespace korv::tool {

struct ScenarioLocation {
    bool isSaver = false;
    PayloadRecord payload;      // for a saver
    uint8_t settingsDisabled = 0;
    uint64_t begin = 0;         // where the scenario starts
    uint64_t end = UINT64_MAX;  // where it ends (the payload of a saver)
    bool HasScenario() const { return begin < end; }
};

// Throws ToolError when the file is neither.
ScenarioLocation LocateScenario(platform::File& file, const std::string& path);
// Loads the scenario found there, its pictures and texts measured by
// `pictures`; throws ToolError with the reason when it does not load.
// Message boxes of the loader become part of that reason.
void LoadScenarioAt(platform::File& file, const ScenarioLocation& location, Scenario& scenario, const std::string& path,
                    const ObjectPictures& pictures = ImageLayerPictures());

// Loads what the saver at `path` (located as `location`) plays at start-up,
// by its player type: the newest stored version whose scenario loads, else
// the embedded scenario where the type allows it. Stored versions that do
// not load are reported to `messages` and passed over. Throws ToolError when
// the saver would have nothing to play. Returns the path of what it loaded
// ("" for the embedded scenario).
std::string LoadStartUpScenario(platform::File& file, const ScenarioLocation& location, Scenario& scenario,
                                const std::string& path, std::ostream& messages);

}  // namespace korv::tool
