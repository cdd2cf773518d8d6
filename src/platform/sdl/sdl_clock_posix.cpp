// The clock and the sleep on Linux: the boot clock, which counts time spent
// suspended, where the kernel has it, and a sleep to an absolute time on it.
#include "platform/sdl/sdl_clock.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace plat::sdl {
namespace {

clockid_t gameClock() {
    static const clockid_t clock = [] {
        timespec probe{};
        return clock_gettime(CLOCK_BOOTTIME, &probe) == 0 ? CLOCK_BOOTTIME : CLOCK_MONOTONIC;
    }();
    return clock;
}

} // namespace

uint64_t clockNs() {
    timespec now{};
    clock_gettime(gameClock(), &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

void sleepUntilNs(uint64_t wake) {
    const timespec at{time_t(wake / 1000000000u), long(wake % 1000000000u)};
    int result = 0;
    do {
        result = clock_nanosleep(gameClock(), TIMER_ABSTIME, &at, nullptr);
    } while (result == EINTR);
    if (result != 0) {
        const uint64_t left = wake - std::min(wake, clockNs());
        const timespec pause{time_t(left / 1000000000u), long(left % 1000000000u)};
        nanosleep(&pause, nullptr);
    }
}

} // namespace plat::sdl
