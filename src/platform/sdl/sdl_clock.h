// The SDL backend's clock and its sleep, from the operating system: SDL's
// own timers count milliseconds from SDL's start and sleep by the system's
// scheduler tick, which is too coarse for a frame that must end on its
// millisecond.
#pragma once

#include <cstdint>

namespace plat::sdl {

// Nanoseconds on a clock that never goes back and keeps counting while the
// machine is suspended, from a start of the system's choosing.
uint64_t clockNs();

// Sleeps until clockNs() reads at least wake, without spinning.
void sleepUntilNs(uint64_t wake);

} // namespace plat::sdl
