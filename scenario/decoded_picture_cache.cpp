#include "scenario/decoded_picture_cache.h"

#include <cstring>

namespace korv {

uint64_t PictureFingerprint(std::span<const uint8_t> bytes) {
    constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    uint64_t hash = bytes.size() * kMultiplier;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
    }
    for (; i < bytes.size(); ++i) hash = (hash ^ bytes[i]) * kMultiplier;
    return hash ^ (hash >> 32);
}

std::shared_ptr<const platform::Surface> DecodedPictureCache::Find(std::span<const uint8_t> encoded, Size size) {
    const uint64_t fingerprint = PictureFingerprint(encoded);
    std::lock_guard lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (entry->fingerprint == fingerprint && entry->encodedSize == encoded.size() && entry->size == size) {
            entries_.splice(entries_.begin(), entries_, entry);
            return entries_.front().picture;
        }
    }
    return nullptr;
}

void DecodedPictureCache::Keep(std::span<const uint8_t> encoded, Size size,
                               std::shared_ptr<const platform::Surface> picture) {
    const size_t bytes = BytesOf(picture);
    if (!picture || bytes > budget_) return;
    const uint64_t fingerprint = PictureFingerprint(encoded);
    std::lock_guard lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (entry->fingerprint == fingerprint && entry->encodedSize == encoded.size() && entry->size == size) {
            bytes_ -= BytesOf(entry->picture);
            entries_.erase(entry);
            break;
        }
    }
    while (!entries_.empty() && bytes_ + bytes > budget_) {
        bytes_ -= BytesOf(entries_.back().picture);
        entries_.pop_back();
    }
    entries_.push_front({fingerprint, encoded.size(), size, std::move(picture)});
    bytes_ += bytes;
}

size_t DecodedPictureCache::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

}  // namespace korv
