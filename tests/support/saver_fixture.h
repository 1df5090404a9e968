#pragma once
// Built savers for tests: a stand-in engine (or the real one) followed by an
// embedded scenario and a payload, laid out as the real tool lays them out.

#include <filesystem>
#include <optional>
#include <string>

#include "saver/program_file.h"

namespace korv::test {

// Writes a saver whose engine part is `engineBytes` (padded), with an
// optional embedded scenario; returns the path.
std::filesystem::path WriteSaver(const std::filesystem::path& path, const PayloadRecord& record,
                                 const std::optional<std::string>& scenario = std::nullopt,
                                 bool settingsDisabled = false, const std::string& engineBytes = "ENGINE");

// The bytes of a saver with the given parts, for tests that damage them.
std::string SaverBytes(const PayloadRecord& record, const std::optional<std::string>& scenario = std::nullopt,
                       bool settingsDisabled = false);

}  // namespace korv::test
