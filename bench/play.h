// A game in play on the headless backend, for the benchmarks.
#pragma once

namespace benchplay {

// A fresh program in the data directory with its devices taken and a new
// game started, as the title screen leaves it when Enter is pressed. The
// frame then composes whatever the game holds. False when a step failed.
bool enterPlay();
// Gives the devices back.
void leavePlay();

} // namespace benchplay
