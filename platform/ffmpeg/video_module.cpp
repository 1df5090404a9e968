// The video module's entry: FFmpeg's decoding behind platform/video_file.h.

#include "platform/module_entries.h"

KORV_MODULE_EXPORT const korv::platform::VideoModuleEntries* KorvVideoModuleEntries() {
    static const korv::platform::VideoModuleEntries entries{&korv::platform::OpenVideoFile,
                                                            &korv::platform::OpenVideoMemory};
    return &entries;
}
