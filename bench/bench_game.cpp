// The game's own work on the headless backend: one frame of play, one game
// start.
#include "play.h"

#include "player/ship.h"
#include "shell/frame.h"
#include "shell/screens.h"

#include <benchmark/benchmark.h>

namespace {

// The real frame function: compose the picture, run the game's steps, flip
// (a copy into memory here) and the pacing wait, whose turns cost nothing
// on the virtual clock.
void composeFrameOfPlay(benchmark::State& state) {
    if (!benchplay::enterPlay()) {
        state.SkipWithError("the game did not start");
        return;
    }
    for (auto _ : state) {
        if (!gameFrame()) {
            state.SkipWithError("a frame failed");
            break;
        }
        // A lost game would lead to the title screen, which waits for a key
        // that never comes: stop while the frames are still frames of play.
        if (ship.state == ShipGameOver) {
            state.SkipWithError("the game was lost during the run");
            break;
        }
    }
    benchplay::leavePlay();
}
BENCHMARK(composeFrameOfPlay)->Name("compose a frame of play")->Unit(benchmark::kMicrosecond);

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
