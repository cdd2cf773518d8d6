// The clock and the sleep on Windows. The clock is the performance counter.
// The system's timer ticks every 15.6 ms by default, so a plain Sleep would
// end a 28 ms frame at 31 ms: the sleep waits on a high-resolution waitable
// timer, which wakes within a fraction of a millisecond without changing
// the tick for the whole system. Where the system has none (before
// Windows 10 1803), the game asks for a 1 ms tick for as long as it runs
// and waits on an ordinary waitable timer.
#include "platform/sdl/sdl_clock.h"

#include <windows.h>

#include <algorithm>
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

// Any moment inside the millisecond that starts at the wake reads the tick
// the game waits for, so the sleep aims a quarter of the way into it.
constexpr uint64_t kAimNs = 250000;
// How late the timer has been firing is taken off each wait: a high-
// resolution timer is a few tens of microseconds late, Wine's rounds its
// waits up and fires most of a millisecond late, by varying amounts. What is left when the wake
// is nearer than that is given up to other threads a turn at a time, never
// more than the timer's own lateness, so the wait lands inside the
// millisecond instead of in the next one.
uint64_t timerLateNs = 0;
constexpr uint64_t kLongestLateNs = 2000000;
// How much nearer than the timer's lateness the wake must be before waiting
// on the timer is not worth it.
constexpr uint64_t kYieldMarginNs = 50000;

void sleepUntilNs(uint64_t wake) {
    const uint64_t aim = wake + kAimNs;
    for (uint64_t now = clockNs(); now < wake; now = clockNs()) {
        const uint64_t left = aim - now;
        if (left <= timerLateNs + kYieldMarginNs) {
            SwitchToThread();
            continue;
        }
        const uint64_t wait = left - timerLateNs;
        HANDLE timer = sleepTimer();
        // The timer counts in units of 100 ns; a negative time is relative.
        LARGE_INTEGER due{};
        due.QuadPart = -LONGLONG((wait + 99) / 100);
        if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) ||
            WaitForSingleObject(timer, INFINITE) != WAIT_OBJECT_0) {
            Sleep(DWORD((wait + 999999) / 1000000));
        }
        // The lateness kept is the latest seen, let down slowly: a timer
        // that fires late by varying amounts must not carry the game into
        // the next millisecond at its later wakes.
        const uint64_t woke = clockNs();
        const uint64_t late = woke > now + wait ? std::min(woke - now - wait, kLongestLateNs) : 0;
        timerLateNs = std::max(late, timerLateNs - timerLateNs / 16);
    }
}

} // namespace plat::sdl
