#pragma once
// One line on what each setting does, for `korv-tool settings --explain`.

#include <string>

namespace korv::tool {

// The explanation of the setting `name` (as the settings store spells it);
// empty for a name the tool does not know.
std::string ExplainSetting(const std::string& name);

}  // namespace korv::tool
