// The domed base the player defends: six steps for every hit test, its two
// pictures, its fall and the large explosion that plays over it.
#pragma once

#include "graphics/drawing.h"
#include "hostiles/explosions.h"
#include "shell/rect.h"

#include <cstdint>

constexpr int32_t kBaseStepCount = 6;
constexpr int32_t kBaseFrameCount = 2;
constexpr int32_t kBaseFallFrameCount = 14;
// Where the base's picture and its fall are drawn.
constexpr int32_t kBaseX = 167;
constexpr int32_t kBaseY = 376;
constexpr int32_t kBaseFallX = 155;
constexpr int32_t kBaseFallY = 355;

// 1 while the base stands, 0 once it has fallen.
extern int32_t baseIntact;
// [0] the intact dome, [1] the ruins.
extern Picture* baseFrames;
// The base's outline, bottom step first; every test walks them from the
// top step (5) down.
extern Rect baseSteps[kBaseStepCount];
// The large explosion of the fall; its x, y is its top-left corner.
extern Explosion baseExplosion;

// The base stands again with its two pictures; its ring of cells is free.
bool loadBase();
// The fall's fourteen pictures, idle.
bool loadBaseExplosion();
// The dome, intact or ruined, under everything else.
bool drawBase();
// One picture of the fall while it plays.
bool drawBaseExplosion();
// The base falls and the game is lost: the fall starts (again), every
// plant goes, the explosion sounds and the game-over wait starts anew.
void destroyBase();
