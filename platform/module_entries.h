#pragma once
// What the video, MIDI and HTTP modules hand the programs that load them
// (see platform/module_loader.h): the same functions the platform headers
// declare, implemented inside the module.

#include <cstdint>
#include <span>
#include <string>

#include "platform/http_client.h"
#include "platform/midi_synth.h"
#include "platform/video_file.h"

namespace korv::platform {

struct VideoModuleEntries {
    VideoOpenResult (*openFile)(const std::string& path);
    VideoOpenResult (*openMemory)(std::span<const uint8_t> bytes);
};

struct MidiModuleEntries {
    MidiOpenOutcome (*openSong)(const std::string& path);
    void (*releaseIdleSynths)();
    std::string (*soundfontPath)();
};

struct HttpModuleEntries {
    HttpResponse (*perform)(const HttpRequest& request, const HttpHandlers& handlers);
};

}  // namespace korv::platform

// Each module's one exported symbol.
#define KORV_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
