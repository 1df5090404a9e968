#pragma once
// Makes an ActionScript 1/2 movie tell which frame of its main timeline it
// shows: before every ShowFrame of the main timeline goes a DoAction whose
// code traces "korv-frame:N" (N counting from 0), so that a page listening
// to the player's trace output follows the movie. The player has no frame
// counter and no loop switch of its own; with `stopOnLastFrame` the last
// frame's action also stops the timeline, holding the last frame.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace korv {

inline constexpr std::string_view kFrameReportPrefix = "korv-frame:";

// An uncompressed "FWS" copy of the movie with the reports in, its header's
// length rewritten and its frame count kept. nullopt for ActionScript 3
// movies (which run no DoAction), damaged or truncated movies, and movies
// without a frame.
std::optional<std::vector<uint8_t>> AddFrameReports(std::span<const uint8_t> file, bool stopOnLastFrame);

// The frame a trace message reports; nullopt for any other message.
std::optional<int> ParseFrameReport(std::string_view traceText);

}  // namespace korv
