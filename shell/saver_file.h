#pragma once
// The program file of a built saver:
//   [engine, padded with zeros to 708608 bytes]
//   [embedded scenario: a 32-bit field (its length), then the scenario]
//   [payload record][payload offset: u32 LE][settings-disabled byte]
// The engine reads its own file, so appending data to a copy of the engine
// makes a saver.

#include <cstdint>
#include <optional>
#include <string>

#include "shell/payload.h"

namespace korv {

#ifndef KORV_ENGINE_SIZE
#define KORV_ENGINE_SIZE 708608
#endif
// 708608 (hexadecimal AD000); larger only in sanitizer builds.
inline constexpr uint64_t kEngineSize = KORV_ENGINE_SIZE;

struct SaverBuildRequest {
    std::string enginePath;
    std::optional<std::string> scenarioPath;  // none: no embedded scenario
    PayloadRecord payload;
    bool settingsDisabled = false;
    std::string outputPath;
};

// Writes an executable saver. Returns an empty text on success, else the
// reason (one line). The output appears complete or not at all.
std::string BuildSaver(const SaverBuildRequest& request);

}  // namespace korv
