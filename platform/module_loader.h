#pragma once
// Parts of the platform layer built as shared objects of their own
// (korv-*.so: the browser engine, video decoding, MIDI synthesis, HTTP) and
// loaded with dlopen the first time they are needed. Their libraries pull in
// well over a hundred others; linked into the programs, every start would
// pay for loading them, though most runs use none.
//
// A module is looked for next to the program, in ../lib/korv beside it, in
// the build tree and in the install folder; an environment variable may
// name the file instead. Modules stay loaded for the life of the process.

#include <string>

namespace korv::platform {

struct ModuleInfo {
    const char* fileName;        // "korv-video.so"
    const char* description;     // "the video module", for failures
    const char* pathVariable;    // environment variable naming the file, or nullptr
    const char* buildPath;       // the file in the build tree, or nullptr
    const char* entryName;       // the symbol LoadModuleEntry looks up
};

// The module's entry symbol, or nullptr with the reason in `failure`. Loads
// the module at the first call; later calls give the first call's answer.
// Thread-safe.
void* LoadModuleEntry(const ModuleInfo& info, std::string& failure);
// The entry symbol when the module has already been loaded; nullptr
// otherwise (nothing is loaded).
void* LoadedModuleEntry(const ModuleInfo& info);

}  // namespace korv::platform
