// The player's ship: steered with the arrows, drawn in one of 72 headings.
#pragma once

#include "graphics/drawing.h"
#include "graphics/sheet_layout.h"
#include "shell/rect.h"

#include <cstdint>

enum ShipState : int32_t {
    ShipGameOver = 0,
    ShipFlying = 1,
    ShipRespawning = 2,
};

constexpr int32_t kShipFrameCount = sheetLayout::kShipFrames;

struct Ship {
    int32_t state;
    Picture* frames;
    // Index of the picture shown: the heading divided by 5.
    int32_t frame;
    int32_t x;
    int32_t y;
    // The step of one frame of forward thrust.
    int32_t vx;
    int32_t vy;
    Rect box;
    double muzzleDistance;
    // Where the next shot starts.
    int32_t muzzleX;
    int32_t muzzleY;
    // Heading in degrees: 0 points left, 90 up, growing clockwise.
    double angle;
    double speed;
};

struct Step {
    int32_t x;
    int32_t y;
};

extern Ship ship;
// Toggles every frame while the ship waits to come back, so it blinks.
extern int32_t shipBlinkPhase;

// The whole step of length magnitude along the heading angle, each part cut
// toward zero.
Step stepFor(double angle, double magnitude);
// Puts the muzzle point ahead of the centre along the heading.
void aimMuzzle();
// Puts the ship at its start point, heading up, with its 72 pictures.
bool loadShip();
// One frame of the ship: keys, movement, trigger, clamp to the screen,
// picture.
bool updateShip();
// Takes one ship: the ship comes back at its start point after a wait, or
// the game is over when none is left or the game was already lost.
void loseShip();
