// The game's own work on the headless backend: one frame of play, one game
// start.
#include "play.h"

#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/input.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/frame.h"
#include "shell/screens.h"

#include <benchmark/benchmark.h>

namespace {

// Puts the four shots in flight, held still in the sky's empty top left
// corner, so that the frame moves, tests and draws all four.
void putFourShotsInFlight() {
    for (int32_t i = 0; i < kShotCount; ++i) {
        shots[i] = Shot{1, shots[i].frames, 40 + 20 * i, 80, 0, 0, {-4, -4, 4, 4}, 10.0};
    }
}

// The real frame function: compose the picture, run the game's steps, flip
// (a copy into memory here) and the pacing wait, whose turns cost nothing
// on the virtual clock. With fourShots, every frame has the four shots in
// flight.
void composeFramesOfPlay(benchmark::State& state, bool fourShots) {
    if (!benchplay::enterPlay()) {
        state.SkipWithError("the game did not start");
        return;
    }
    for (auto _ : state) {
        if (fourShots) {
            state.PauseTiming();
            putFourShotsInFlight();
            state.ResumeTiming();
        }
        if (!gameFrame()) {
            state.SkipWithError("a frame failed");
            break;
        }
        // The spores take the ships of a player who does nothing; a lost
        // game would lead to the title screen, which waits for a key that
        // never comes, so a new game starts outside the timing instead.
        if (ship.state == ShipGameOver) {
            state.PauseTiming();
            const bool started = startNewGame();
            state.ResumeTiming();
            if (!started) {
                state.SkipWithError("a new game did not start");
                break;
            }
        }
    }
    benchplay::leavePlay();
}
BENCHMARK_CAPTURE(composeFramesOfPlay, plain, false)
    ->Name("compose a frame of play")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(composeFramesOfPlay, shots, true)
    ->Name("compose a frame, four shots in flight")
    ->Unit(benchmark::kMicrosecond);

// Every pool full and every test of the frame with work to do: four shots
// and three spores in flight, the sower flying, five plants of 41 cells, nine
// explosions and the base's fall playing, the ring covered but for one cell,
// the growth step and a spore launch due. Nothing touches anything else, so
// the same frame can be set up again and again.
void fillEveryPool() {
    const uint32_t now = plat::tickCount();
    for (int32_t i = 0; i < kShotCount; ++i) {
        shots[i] = Shot{1, shots[i].frames, 480 + 30 * i, 330, 0, 0, {-4, -4, 4, 4}, 10.0};
    }
    for (int32_t i = 0; i < kSporeCount; ++i) {
        spores[i].active = 1;
        spores[i].x = 40 + 40 * i;
        spores[i].y = 300;
        spores[i].vx = 0;
        spores[i].vy = 0;
    }
    sower.active = 1;
    sower.x = 320;
    sower.y = 48;
    sower.vx = 0;
    sowerTurnTime = now;
    sowerTurnDelay = 1u << 30;
    for (int32_t p = 0; p < kPlantCount; ++p) {
        plants[p].active = 1;
        for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
            const int32_t left = 8 + 16 * (s % 38);
            const int32_t top = 64 + 32 * p + 16 * (s / 38);
            plants[p].segments[s] = {{left, top, left + 15, top + 15}, 1};
        }
    }
    for (int32_t i = 0; i < kExplosionCount; ++i) {
        explosions[i] =
            Explosion{1, explosions[i].frames, i % kExplosionFrameCount, 40 + 64 * i, 400};
    }
    baseExplosion.active = 1;
    baseExplosion.frame = 0;
    for (int32_t i = 0; i < kRingCellCount; ++i) {
        baseRing[i].plant = i == 0 ? kFreeRingCell : i % kPlantCount;
    }
    growthTime = now - 1;
    growthDelay = 0;
    sporeSpawnTime = now - 1;
    sporeSpawnDelay = 0;
}

void composeTheBusiestFrame(benchmark::State& state) {
    if (!benchplay::enterPlay()) {
        state.SkipWithError("the game did not start");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fillEveryPool();
        state.ResumeTiming();
        if (!gameFrame()) {
            state.SkipWithError("a frame failed");
            break;
        }
        if (ship.state != ShipFlying || baseIntact == 0) {
            state.SkipWithError("something in the busiest frame touched something");
            break;
        }
    }
    benchplay::leavePlay();
}
BENCHMARK(composeTheBusiestFrame)->Name("compose the busiest frame")->Unit(benchmark::kMicrosecond);

// Everything a new game sets up: every sheet read, picture cut and sound.
void startGame(benchmark::State& state) {
    if (!benchplay::enterPlay()) {
        state.SkipWithError("the game did not start");
        return;
    }
    for (auto _ : state) {
        if (!startNewGame()) {
            state.SkipWithError("a game start failed");
            break;
        }
    }
    benchplay::leavePlay();
}
BENCHMARK(startGame)->Name("start a game")->Unit(benchmark::kMillisecond);

} // namespace
