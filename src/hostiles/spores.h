// The spores that fall from the sky.
#pragma once

#include <cstdint>

// How fast the spores fall, in pixels per frame: 1 at every game start,
// raised with the score.
extern int32_t sporeSpeed;
