#pragma once
// The progress of a download, written by the download thread and read by the
// status screen for display. Each figure is read on its own; a reader may see
// a set from two moments, which only shows stale figures until the next
// drawing.

#include <atomic>

namespace korv {

struct DownloadProgress {
    std::atomic<int> objectTotal{0};    // objects the update has to check
    std::atomic<int> objectNumber{0};   // the one being checked, from 1
    std::atomic<int> objectSize{0};     // its size in bytes
    std::atomic<int> bytesReceived{0};  // of the current transfer
};

}  // namespace korv
