// The counters of a game and the panel that shows four of them.
#pragma once

#include "graphics/drawing.h"
#include "shell/rect.h"

#include <cstdint>

extern int32_t score;
extern int32_t sporesDestroyed;
extern int32_t plantsDestroyed;
extern int32_t baseHits;
extern int32_t shipsLeft;
// The whole screen, {0, 0, 639, 479}: where the background and title
// pictures go and the bounds of the play field.
extern Rect screenRect;
// The play field's scenery with the counters' captions.
extern Picture backgroundSurface;

// The first step of every game start: the screen rectangle, a new
// background picture from the sheet, the counters back to their start.
bool initBackgroundAndCounters();
// Writes score, spores, plants and ships left in white on the back buffer.
bool drawStatusPanel();
