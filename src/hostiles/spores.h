// The spores that fall from the sky, or from under the sower, and take root
// as plants where they come to rest.
#pragma once

#include "graphics/drawing.h"
#include "shell/rect.h"

#include <cstdint>

constexpr int32_t kSporeCount = 3;
constexpr int32_t kSporeSize = 16;

struct Spore {
    int32_t active;
    Picture* frames;
    // Not used by spores; kept so the record begins as the ship's does.
    int32_t frame;
    int32_t x;
    int32_t y;
    int32_t vx;
    int32_t vy;
    Rect box;
};

extern Spore spores[kSporeCount];
// The tick of the last launch attempt and the wait to the next; both run
// on across games.
extern uint32_t sporeSpawnTime;
extern int32_t sporeSpawnDelay;
// How fast the spores fall, in pixels per frame: 1 at every game start,
// raised with the score.
constexpr int32_t kStartSporeSpeed = 1;
extern int32_t sporeSpeed;

// Every spore free, each with its own picture, reading the sheet once per
// spore; the fall speed back to 1.
bool loadSpores();
// One frame of the spores: a launch when due, then the flight, tests and
// picture of each one in the air.
bool updateSpores();
// Where a spore centred at x that touched base step i takes root.
Rect baseSeedBox(int32_t step, int32_t x);
// Where a spore centred at x takes root on the ground.
Rect groundSeedBox(int32_t x);
