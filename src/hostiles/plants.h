// The plants that grow where spores come to rest, and the ring of cells
// around the base that they besiege.
#pragma once

#include "graphics/drawing.h"
#include "shell/rect.h"

#include <cstdint>

constexpr int32_t kPlantCount = 5;
// Segment 0 is the seed pod, 1 to 20 the left arm, 21 to 40 the right arm.
constexpr int32_t kPlantSegmentCount = 41;
constexpr int32_t kLeftArmFirst = 1;
constexpr int32_t kRightArmFirst = 21;
constexpr int32_t kArmLength = 20;
constexpr int32_t kRingCellCount = 23;
// The mark of a free ring cell, in both of its fields.
constexpr int32_t kFreeRingCell = 100;
// Edge of a plant's cell.
constexpr int32_t kCellSize = 16;

struct PlantSegment {
    // The cell on screen; always 16 x 16.
    Rect box;
    int32_t alive;
};

struct Plant {
    int32_t active;
    // [0] the seed pod, [1] a vine cell.
    Picture* frames;
    PlantSegment segments[kPlantSegmentCount];
};

// One cell touching the base's outline, and the segment that covers it.
struct RingCell {
    int32_t plant;
    int32_t segment;
    int32_t x;
    int32_t y;
};

extern Plant plants[kPlantCount];
extern RingCell baseRing[kRingCellCount];
// The tick of the last growth step and the wait to the next; both run on
// across games.
extern uint32_t growthTime;
extern int32_t growthDelay;

// Every plant gone, each with its own two pictures from one read of the
// sheet.
bool loadPlants();
// Starts a plant with its seed pod in box; the plant's index, or -1 when
// all five are growing.
int32_t seedPlant(const Rect& box);
// Records that segment s of plant p now covers the ring cell at box, if
// box is one.
void markRingCell(const Rect& box, int32_t p, int32_t s);
// Whether a new segment may take the cell c: off the base, off every
// living cell, on the screen and low enough for its band.
bool canPlaceSegment(const Rect& c);
// Ends every plant (the base has fallen).
void clearAllPlants();
// Ends the plant with all its segments.
void clearPlant(Plant& plant);
// One frame of the plants: the growth step when due, the siege test, the
// pictures.
bool updatePlants();
// The wait before the next spore launch or growth step: 2050 to 4096 ms,
// shifted right as the difficulty rises.
int32_t nextSpawnDelay();
