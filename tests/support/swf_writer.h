#pragma once
// Writes small real Flash movies for tests: a solid rectangle on a solid
// background that moves `stepX` pixels to the right each frame, stored
// plain ('F'), zlib-compressed ('C') or LZMA-compressed ('Z').

#include <cstdint>
#include <span>
#include <vector>

namespace korv::test {

struct SwfTestMovie {
    int width = 320;
    int height = 240;
    uint32_t background = 0x0000FF;  // 0xRRGGBB
    uint32_t shapeColour = 0xFF0000;
    int shapeWidth = 40;
    int shapeHeight = 40;
    int startX = 0;
    int startY = 100;
    int stepX = 20;
    int frames = 10;
    double frameRate = 10;
    bool actionScript3 = false;
    char compression = 'F';
    int version = 10;
};

std::vector<uint8_t> WriteSwfTestMovie(const SwfTestMovie& movie);

// Pieces for movies of other shapes.
// A tag with its header (long form when the data needs it).
std::vector<uint8_t> SwfTestTag(uint16_t code, std::span<const uint8_t> data);
// Header and tags into a file: `tags` follow the header's rectangle, rate
// and frame count; compression as in SwfTestMovie.
std::vector<uint8_t> SwfTestFile(int width, int height, double frameRate, int frames, std::span<const uint8_t> tags,
                                 char compression = 'F', int version = 10);

}  // namespace korv::test
