#pragma once
// The parameter parts that several scene commands share: where and how an
// object is placed or moved, and which colour a command uses.

#include <cstdint>

#include "platform/archive.h"
#include "scenario/field_sink.h"
#include "scenario/random_range.h"

namespace korv {

inline constexpr int32_t kNoDelaySpeedPeriod = 100000;

struct PlacementBlock {
    int32_t anchorX1 = 5;
    int32_t anchorY1 = 5;
    int32_t anchorX2 = 5;
    int32_t anchorY2 = 5;
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    int32_t stepX = 1;
    int32_t stepY = 1;
    int32_t alongX = 1;
    int32_t boundMode = 0;
    int32_t boundX = 0;
    int32_t boundY = 0;
    int32_t boundFlag = 0;
    int32_t boundLimit = 0;
    int32_t freeMove = 0;
    int32_t speedPeriod = kNoDelaySpeedPeriod;
    int32_t labelPeriod = 2000;
    int32_t label = 0;
    int32_t keepBackground = 0;
    int32_t saveUnder = 0;
    int32_t effect = 0;
    int32_t effectSpeed = 100;

    // In memory only: the current position while shown or moving, and the
    // seed of the block's random placements.
    int32_t curX = 0;
    int32_t curY = 0;
    uint32_t seed = NewBlockSeed();

    // Direction signs and the leading axis from the two points as written.
    void SetDirectionFromPoints();

    void Load(platform::ArchiveReader& archive);
    void Write(platform::ArchiveWriter& archive) const;
    void Describe(FieldSink& sink) const;
    bool Prepare() { return true; }
};

struct ColourBlock {
    uint32_t colour = 0;  // as stored (0x00BBGGRR); platform::StoredToColour reads it
    int32_t rasterMode = 0;
    int32_t randomColour = 0;
    int32_t useWindowColour = 1;
    uint32_t seed = NewBlockSeed();  // in memory only

    void Load(platform::ArchiveReader& archive);
    void Write(platform::ArchiveWriter& archive) const;
    void Describe(FieldSink& sink) const;
    bool Prepare() { return true; }
};

}  // namespace korv
