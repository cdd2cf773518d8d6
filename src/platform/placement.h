// Where the 640x480 frame lands on an output of any size, and how it gets
// there: the one rule every backend places the picture by, on plain
// integers and 32-bit pixel spans, with no window system behind it.
//
// Where the largest whole scale already fills at least 85% of the largest
// 4:3 picture that fits, every game pixel is an exact square block of that
// scale. Otherwise the picture takes that largest 4:3 size: each game pixel
// is first widened to a block of the smallest whole scale that covers it,
// and that picture is then shrunk smoothly (linear) by what is left, so that
// pixels stay sharp with one soft row at their edges. The picture is always
// centred on black.
#pragma once

#include "platform/display.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// A rectangle of output pixels: its top-left corner and its size.
struct PixelRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

struct FramePlacement {
    PixelRect place;
    // The whole factor each game pixel is widened by.
    int scale = 1;
    // Whether the widened picture is then resampled linearly to the place.
    bool smooth = false;
};

FramePlacement placeFrame(int outputWidth, int outputHeight);

// The pause sign inside a placed picture: a dark box with two light bars,
// about 48 game pixels across whatever the scale, centred across the
// picture a quarter of the way down, under the counters and clear of where
// the ship starts. It is drawn over the presented picture, never into the
// game's frames.
struct PauseSign {
    PixelRect box;
    PixelRect bars[2];
};
PauseSign pauseSignIn(const PixelRect& place);
// The sign's colours, as 0xRRGGBB.
constexpr uint32_t kPauseSignBoxColour = 0x181820;
constexpr uint32_t kPauseSignBarColour = 0xF0F0F0;

// One output column (or row) of the smooth picture: the two game pixels it
// lies between, after widening by the whole scale, and the weight of the
// second in 256ths.
struct Tap {
    uint16_t first;
    uint16_t second;
    uint16_t weight;
};

// The taps of a picture outputs pixels long, for the widened picture's
// pixel centres sampled linearly at the output's pixel centres.
std::vector<Tap> tapsFor(int outputs, int gamePixels, int scale);

// An output of 32-bit pixels in any byte order: pitch is the bytes from one
// row to the next.
struct PixelTarget {
    uint8_t* pixels = nullptr;
    size_t pitch = 0;
    int width = 0;
    int height = 0;
};

// Draws one area of the frame (palette indices, 640x480, in frame pixels)
// onto the target as the placement for the target's size wants it, each
// index through colours (already in the target's pixel format). Returns
// the part of the target drawn; the borders around the picture are left as
// they are.
PixelRect drawPlacedArea(const PixelTarget& target, const uint8_t* frame, const uint32_t* colours,
                         const FramePlacement& placement, const PixelRect& area);

// The whole frame, as placeFrame places it on the target. Returns where it
// landed.
PixelRect drawPlacedFrame(const PixelTarget& target, const uint8_t* frame, const uint32_t* colours);

// Fills a rectangle of the target with one pixel value, clipped to it.
void fillPixels(const PixelTarget& target, const PixelRect& rect, uint32_t value);

// Where a frame differs from the one shown before it, in frame pixels: runs
// of changed rows, runs a few rows apart joined into one, each as wide as
// the columns that changed in it. Too many runs become one that holds them
// all. Returns how many areas were written.
constexpr int kMaxChangedAreas = 16;
int changedAreas(const uint8_t* shown, const uint8_t* next, PixelRect areas[kMaxChangedAreas]);

} // namespace plat
