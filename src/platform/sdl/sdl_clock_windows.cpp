// The clock and the sleep on Windows. The clock is the performance counter.
// The system's timer ticks every 15.6 ms by default, so a plain Sleep would
// end a 28 ms frame at 31 ms: the sleep waits on a high-resolution waitable
// timer, which wakes within a fraction of a millisecond without changing
// the tick for the whole system. Where the system has none (before
// Windows 10 1803), the game asks for a 1 ms tick for as long as it runs
// and waits on an ordinary waitable timer.
#include "platform/sdl/sdl_clock.h"

#include <windows.h>

#include <cstdlib>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace plat::sdl {
namespace {

uint64_t counterFrequency() {
    static const uint64_t frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return uint64_t(value.QuadPart);
    }();
    return frequency;
}

void endFineTick() {
    timeEndPeriod(1);
}

// The timer every sleep waits on, made at the first sleep; null if the
// system can make none, and then the sleep is a plain Sleep.
HANDLE sleepTimer() {
    static const HANDLE timer = [] {
        HANDLE fine = CreateWaitableTimerExW(
            nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (fine != nullptr) {
            return fine;
        }
        if (timeBeginPeriod(1) == TIMERR_NOERROR) {
            std::atexit(endFineTick);
        }
        return CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }();
    return timer;
}

} // namespace

uint64_t clockNs() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const uint64_t ticks = uint64_t(now.QuadPart);
    const uint64_t frequency = counterFrequency();
    return ticks / frequency * 1000000000u + ticks % frequency * 1000000000u / frequency;
}

// How late a timer may fire: Wine rounds its waits up to the next
// millisecond, and a system without high-resolution timers is coarser still
// until the 1 ms tick is in force.
constexpr uint64_t kTimerSlackNs = 1000000;

void sleepUntilNs(uint64_t wake) {
    for (uint64_t now = clockNs(); now < wake; now = clockNs()) {
        const uint64_t left = wake - now;
        // A long wait ends a little early and a short one waits out the
        // rest, so that a late timer still wakes the game within the
        // millisecond it wants, not in the next one.
        const uint64_t wait = left > 2 * kTimerSlackNs ? left - kTimerSlackNs : left;
        HANDLE timer = sleepTimer();
        // The timer counts in units of 100 ns; a negative time is relative.
        LARGE_INTEGER due{};
        due.QuadPart = -LONGLONG((wait + 99) / 100);
        if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) ||
            WaitForSingleObject(timer, INFINITE) != WAIT_OBJECT_0) {
            Sleep(DWORD((wait + 999999) / 1000000));
        }
    }
}

} // namespace plat::sdl
