#pragma once
// A whole Flash movie read into memory: what its header says, whether its
// code is ActionScript 3, and its bytes uncompressed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "media/flash/flash_movie_size.h"
#include "media/flash/swf_body.h"

namespace korv {

// Larger movies are refused before anything is decoded.
inline constexpr size_t kMaxSwfMovieBytes = 64u * 1024 * 1024;
// The players' limits on the rate they run a timeline at; a declared rate
// of 0 means "as fast as possible", which they take as their highest rate.
inline constexpr double kSwfSlowestFrameRate = 0.01;
inline constexpr double kSwfFastestFrameRate = 1000.0;

struct SwfMovie {
    SwfCompression compression = SwfCompression::Plain;
    int version = 0;
    // The stage in pixels; kDefaultFlashStage when the rectangle is empty.
    Size stage = kDefaultFlashStage;
    // Frames a second as written (8.8 fixed point), and as played.
    double declaredFrameRate = 0;
    double frameRate = 0;
    int frameCount = 0;
    bool actionScript3 = false;
    // The whole file as a plain "FWS" movie with its true length.
    std::vector<uint8_t> uncompressed;
    // Where the first tag starts in `uncompressed`.
    size_t tagsOffset = 0;
};

// The rate a player runs a timeline declared at `declared` frames a second.
double SwfPlayedFrameRate(double declared);

// nullopt for anything but a whole, readable movie: an unknown signature, a
// declared length above kMaxSwfMovieBytes or shorter than the header, or
// data (compressed or not) that ends before the declared length.
std::optional<SwfMovie> ReadSwfMovie(std::span<const uint8_t> file);

}  // namespace korv
