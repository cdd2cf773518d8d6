// One frame of the game: compose the picture, run every step of the game,
// handle the ship's timed states, set the difficulty, flip and pace.
#pragma once

#include <cstdint>

// A frame lasts at least this long; movement is counted per frame, so this
// sets the speed of the game.
constexpr uint32_t kFramePeriodMs = 28;
// How long "Vous avez perdu !" stands before the title screen comes back.
constexpr uint32_t kGameOverShowMs = 3000;
// How long a lost ship waits before it flies again.
constexpr uint32_t kRespawnWaitMs = 2000;

// Esc has asked the window to close; every later frame does nothing.
extern bool quitRequested;
extern uint32_t frameStartTime;
extern uint32_t gameOverTime;
extern uint32_t respawnTime;
// The spore and growth delays are shifted right by this many bits; it rises
// with the score and carries over into the next game.
extern int32_t spawnDelayShift;
// Whether this game over has already asked for its jingle.
extern bool gameOverJingleRequested;

// True to go on, false when a drawing step failed. The frame that leads back
// to the title screen returns the title screen's result.
bool gameFrame();
// Raises the spawn shift and the spores' speed by the score's thresholds.
void updateDifficulty();
