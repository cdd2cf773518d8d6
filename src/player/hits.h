// What happens when the ship or a shot touches something: what ends, what
// scores, where explosions start and which sounds play.
#pragma once

#include "player/shots.h"
#include "shell/rect.h"

// Points for each kill.
constexpr int32_t kSporePoints = 100;
constexpr int32_t kPodPoints = 50;
constexpr int32_t kArmCellPoints = 20;
constexpr int32_t kSowerPoints = 500;
// The base falls on the shot that makes this many hits.
constexpr int32_t kBaseHitsToFall = 3;

// The flying ship's tests, all with the one rectangle of this frame, in
// this order: plants, sower, base steps. They may cost ships and push the
// ship back from the base.
void runShipHitTests(const Rect& shipRect);
// One shot's tests with its rectangle of this frame, in this order:
// spores, sower, plants, base steps. Every test runs, even after an
// earlier one has ended the shot.
void runShotHitTests(Shot& shot, const Rect& shotRect);
