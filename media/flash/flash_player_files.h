#pragma once
// Where the Flash player's files are: the web player (ruffle.js, its two
// core scripts and their WebAssembly modules) in one folder, fetched at a
// pinned version when the project is built and installed under share/.

#include <optional>
#include <string>

namespace korv {

// The folder that holds the player's files: $KORV_RUFFLE_DIR when it is set,
// else the first of share/korv/ruffle beside the program's folder, the
// installed one and the build tree's. Empty when none holds them.
std::string FlashPlayerFolder();

// The player's files are installed and readable.
bool IsFlashInstalled();

// A file of the player's folder by its plain name (no folders), or nothing.
std::optional<std::string> ReadFlashPlayerFile(const std::string& name);

}  // namespace korv
