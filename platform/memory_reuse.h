#pragma once
// How freed memory is handed back to the system.

namespace korv::platform {

// Freed picture-sized buffers stay with the process and serve the next
// picture: a saver that shows one full-screen picture after another then
// reuses warm pages instead of faulting in and clearing fresh ones for every
// picture, which costs more than most transitions. Call once at start,
// before other threads exist.
void KeepFreedPictureMemory();

}  // namespace korv::platform
