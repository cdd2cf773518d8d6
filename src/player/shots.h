// The player's shots: up to four in flight, one launch per 200 ms at most.
#pragma once

#include "graphics/drawing.h"
#include "shell/rect.h"

#include <cstdint>

constexpr int32_t kShotCount = 4;
// No two launches come closer than this.
constexpr uint32_t kShotIntervalMs = 200;

struct Shot {
    int32_t active;
    Picture* frames;
    int32_t x;
    int32_t y;
    int32_t vx;
    int32_t vy;
    Rect box;
    // Length of the step, pixels per frame.
    double speed;
};

extern Shot shots[kShotCount];
// The tick of the last accepted trigger; runs on across games.
extern uint32_t lastShotTime;

// Frees the four shots and gives each its own picture, reading the sheet
// once per shot.
bool loadShots();
// The trigger, run by the flying ship after its turn and thrust: launches
// the first free shot from the muzzle along the ship's heading.
void fireShot();
// One frame of every shot in flight: move, leave the screen, hit, draw.
bool updateShots();
