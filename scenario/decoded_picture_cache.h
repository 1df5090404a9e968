#pragma once
// The pictures decoded lately, at the sizes they were shown. A scenario
// that repeats shows the same pictures over and over; decoding a full-screen
// JPEG each time cost more than the transition that brings it in. Entries
// are found by a fingerprint of the encoded bytes (and their length and the
// size asked for), so a picture whose bytes changed is decoded anew; the
// least recently used go first once the byte budget is spent.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv {

// A 64-bit hash of every byte.
uint64_t PictureFingerprint(std::span<const uint8_t> bytes);

class DecodedPictureCache {
public:
    explicit DecodedPictureCache(size_t byteBudget) : budget_(byteBudget) {}

    // The picture kept for these bytes at `size` (shared: it is never
    // changed), or null.
    std::shared_ptr<const platform::Surface> Find(std::span<const uint8_t> encoded, Size size);
    // Keeps `picture` (pictures larger than the budget are not kept). One
    // dropped for room stays with those still using it.
    void Keep(std::span<const uint8_t> encoded, Size size, std::shared_ptr<const platform::Surface> picture);
    size_t Bytes() const;

private:
    struct Entry {
        uint64_t fingerprint;
        size_t encodedSize;
        Size size;
        std::shared_ptr<const platform::Surface> picture;
    };
    static size_t BytesOf(const std::shared_ptr<const platform::Surface>& picture) {
        return picture ? picture->Pixels().size_bytes() : 0;
    }

    const size_t budget_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // most recently used first
    size_t bytes_ = 0;
};

}  // namespace korv
