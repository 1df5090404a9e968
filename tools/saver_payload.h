#pragma once
// The payload record of a built saver, for the tools that act on a saver.

#include <string>

#include "saver/program_file.h"

namespace korv::tool {

// Reads the record; throws ToolError ("... is not a built saver: reason")
// when the file cannot be opened or holds no valid payload.
PayloadRecord ReadSaverPayload(const std::string& saverPath);

}  // namespace korv::tool
