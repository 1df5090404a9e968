// The programs' side of the video, MIDI and HTTP modules: each function
// loads its module the first time it is called and hands the call on. When
// a module cannot be loaded, the call fails the way the function fails for
// its own reasons, with the loader's explanation where there is room for it.

#include "platform/module_entries.h"
#include "platform/module_loader.h"

namespace korv::platform {

namespace {

template <class Entries>
const Entries* Entry(const ModuleInfo& info, std::string& failure) {
    using EntryFunction = const Entries* (*)();
    auto entry = reinterpret_cast<EntryFunction>(LoadModuleEntry(info, failure));
    return entry ? entry() : nullptr;
}

const VideoModuleEntries* Video(std::string& failure) {
    static const ModuleInfo info{"korv-video.so", "the video module", "KORV_VIDEO_MODULE", KORV_VIDEO_BUILD_MODULE,
                                 "KorvVideoModuleEntries"};
    return Entry<VideoModuleEntries>(info, failure);
}

const ModuleInfo kMidiModule{"korv-midi.so", "the MIDI module", "KORV_MIDI_MODULE", KORV_MIDI_BUILD_MODULE,
                              "KorvMidiModuleEntries"};

const MidiModuleEntries* Midi() {
    std::string failure;
    return Entry<MidiModuleEntries>(kMidiModule, failure);
}

const HttpModuleEntries* Http(std::string& failure) {
    static const ModuleInfo info{"korv-http.so", "the HTTP module", "KORV_HTTP_MODULE", KORV_HTTP_BUILD_MODULE,
                                 "KorvHttpModuleEntries"};
    return Entry<HttpModuleEntries>(info, failure);
}

VideoOpenResult NoVideoModule(const std::string& failure) {
    VideoOpenResult result;
    result.error = VideoOpenError::UnsupportedCodec;
    result.errorText = failure;
    return result;
}

}  // namespace

VideoOpenResult OpenVideoFile(const std::string& path) {
    std::string failure;
    const VideoModuleEntries* video = Video(failure);
    return video ? video->openFile(path) : NoVideoModule(failure);
}

VideoOpenResult OpenVideoMemory(std::span<const uint8_t> bytes) {
    std::string failure;
    const VideoModuleEntries* video = Video(failure);
    return video ? video->openMemory(bytes) : NoVideoModule(failure);
}

MidiOpenOutcome OpenMidiSong(const std::string& path) {
    const MidiModuleEntries* midi = Midi();
    if (!midi) return {nullptr, MidiOpenResult::NoSynth};
    return midi->openSong(path);
}

void ReleaseIdleMidiSynths() {
    // Nothing is kept by a module never loaded.
    using EntryFunction = const MidiModuleEntries* (*)();
    if (auto entry = reinterpret_cast<EntryFunction>(LoadedModuleEntry(kMidiModule))) entry()->releaseIdleSynths();
}

std::string MidiSoundfontPath() {
    const MidiModuleEntries* midi = Midi();
    return midi ? midi->soundfontPath() : std::string();
}

HttpResponse PerformHttpRequest(const HttpRequest& request, const HttpHandlers& handlers) {
    std::string failure;
    const HttpModuleEntries* http = Http(failure);
    if (http) return http->perform(request, handlers);
    HttpResponse response;
    response.error = HttpError::Transport;
    response.message = failure;
    return response;
}

}  // namespace korv::platform
