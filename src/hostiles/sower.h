// The sower: the large flyer that crosses the top of the screen once the
// score has reached 1000, dropping every spore from under itself.
#pragma once

#include "graphics/drawing.h"
#include "graphics/sheet_layout.h"
#include "shell/rect.h"

#include <cstdint>

constexpr int32_t kSowerFrameCount = sheetLayout::kSowerFrames;
// The sower first comes, and comes back, only from this score on.
constexpr int32_t kSowerScore = 1000;
// Shots it takes to kill it.
constexpr int32_t kSowerLives = 10;

struct Sower {
    int32_t active;
    Picture* frames;
    int32_t frame;
    int32_t x;
    int32_t y;
    int32_t vx;
    int32_t vy;
    Rect box;
};

extern Sower sower;
// The tick of its last turn or appearance, and the wait to its next turn.
extern uint32_t sowerTurnTime;
extern uint32_t sowerTurnDelay;
// The tick at which it last left the screen or was killed, and how long it
// then stays away.
extern uint32_t sowerGoneTime;
extern uint32_t sowerReturnDelay;
// Shots that have hit it since it appeared.
extern int32_t sowerHits;

// The sower away, with its six pictures.
bool loadSower();
// One frame of the sower: turn, fly, leave, or come when its time is due;
// draw it while it flies.
bool updateSower();
