// The small explosions that mark every kill and every lost ship: a pool of
// nine one-shot animations of fourteen pictures.
#pragma once

#include "graphics/drawing.h"
#include "graphics/sheet_layout.h"

#include <cstdint>

constexpr int32_t kExplosionCount = 9;
constexpr int32_t kExplosionFrameCount = sheetLayout::kExplosionFrames;

struct Explosion {
    int32_t active;
    Picture* frames;
    // The picture to draw next.
    int32_t frame;
    // The centre on screen (the base's fall keeps its top-left corner here).
    int32_t x;
    int32_t y;
};

extern Explosion explosions[kExplosionCount];

// Every explosion idle, each with its own fourteen pictures from one read
// of the sheet.
bool loadExplosions();
// Starts the first idle explosion centred on (px, py); false when all nine
// are playing.
bool startExplosion(int32_t px, int32_t py);
// Draws each playing explosion and moves it on one picture.
bool drawExplosions();
