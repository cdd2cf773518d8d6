// What a surface, a clipper and a palette hold; shared by the common
// platform code only.
#pragma once

#include "platform/display.h"

#include <cstdint>
#include <vector>

namespace plat {

struct Clipper {
    std::vector<ExclusiveRect> rectangles;
};

struct Palette {
    PaletteColour entries[256]{};
};

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
    bool hasColourKey = false;
    uint8_t keyLow = 0;
    uint8_t keyHigh = 0;
    Clipper* clipper = nullptr;
    bool locked = false;
};

namespace detail {
// The palette shown with the primary surface, or null before one is set.
const Palette* displayPalette();
} // namespace detail

} // namespace plat
