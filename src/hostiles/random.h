// The one generator behind every chance in the game. It is never seeded:
// every run starts from the same state, and the games of one run continue
// its sequence.
#pragma once

#include <cstdint>

// The start-up seeds the generator with 1 and steps its low word once
// (1 x 22695477 + 1): every run starts from this state.
constexpr uint64_t kRandomStart = 22695478;
// The generator's 64-bit state.
extern uint64_t randomState;

// The next value, 0 to 2147483647.
int32_t nextRandom();
// 0 to n - 1, for n > 0: the remainder of the next value.
int32_t randomBelow(int32_t n);
