#include "platform/memory_reuse.h"

#include <malloc.h>

namespace korv::platform {

namespace {

// Blocks below this come from the heap, not from mappings of their own that
// are unmapped again when freed: a 4K screen's frame is 32 MB.
constexpr int kMappedFrom = 64 << 20;
// A heap keeps up to this much free memory at its top instead of returning
// it: a few frames' worth.
constexpr int kTrimAbove = 128 << 20;

}  // namespace

void KeepFreedPictureMemory() {
    mallopt(M_MMAP_THRESHOLD, kMappedFrom);
    mallopt(M_TRIM_THRESHOLD, kTrimAbove);
}

}  // namespace korv::platform
