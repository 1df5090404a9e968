#pragma once
// Where korv-tool finds the engine when it is not told: installed, the
// engine sits in libexec/korv/ beside the tool's bin/; in a build tree, in
// shell/ beside tools/.

#include <string>

namespace korv::tool {

// The engine's path, or empty when there is none at either place.
std::string FindEngineBesideTool();

// Where the installed engine would be, for messages.
std::string InstalledEnginePath();

}  // namespace korv::tool
