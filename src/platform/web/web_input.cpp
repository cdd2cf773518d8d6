// Keys, gamepads, the millisecond clock and the waits in a web page.
//
// The game's loops stay as they are: every wait hands the browser its turn
// (the page draws, its events arrive, the sound plays) and the game goes on
// from inside the wait when the browser hands it back.
//
// When the game stands still (the page hidden or without the keyboard, or
// a pause key in play) is the shared pause rule's (pause.h): this file tells
// it of the presses the page saw and answers whether the page is away.
#include "platform/backend.h"
#include "platform/pause.h"
#include "platform/web/web_internal.h"

#include <algorithm>
#include <cmath>

namespace plat {
namespace {

// How long a wait for input sleeps at most: keys and page events wake it at
// once, but gamepads must be looked at, and are looked for, this often.
constexpr int kGamepadLookMs = 10;
constexpr int kHotplugLookMs = 250;
constexpr int kAwayLookMs = 250;
// The longest single sleep of a wait for a tick.
constexpr int32_t kLongestSleepMs = 1000;
// How far ahead of the deadline's moment a frame's timer may land at most.
constexpr double kTimerEarlyMs = 0.8;

uint64_t clockMs() {
    return uint64_t(std::floor(qv_now()));
}

// The presses of the pause keys, of Esc and of any other key, button or
// touch since the last reading, told to the pause in that order.
void readPresses() {
    for (int presses = qv_take_pause_presses(); presses > 0; --presses) {
        pause::pausePressed();
    }
    if (qv_take_escape_press() != 0) {
        pause::escapePressed();
    }
    if (qv_take_other_presses() != 0) {
        pause::otherPressed();
    }
}

} // namespace

namespace backend {

void pumpEvents() {
    readPresses();
    pause::standStillWhileStopped();
}

bool windowAway() {
    return qv_away() != 0;
}

uint32_t pauseClockMs() {
    return uint32_t(clockMs());
}

void waitWhileStopped(bool held) {
    qv_wait(held && qv_gamepads_connected() != 0 ? kGamepadLookMs : kAwayLookMs);
    readPresses();
}

void holdSound(bool held) {
    web::pauseSound(held);
}

void showPauseSign(bool shown) {
    qv_pause_sign(shown ? 1 : 0);
}

// Keys are read by their place on the keyboard (KeyboardEvent.code), not by
// what the layout prints on them; a gamepad's buttons count as the keys they
// stand for.
bool keyDown(Key key) {
    pumpEvents();
    return (qv_key_mask() >> unsigned(key) & 1u) != 0;
}

// Milliseconds on the browser's monotonic clock, less the time the game
// stood still while the player was away, wrapping at 32 bits.
uint32_t tickCount() {
    return pause::tickCount();
}

// Sleeps until the moment the tick counter reads the deadline. A browser's
// timer takes whole milliseconds and comes a few tenths of one late, so the
// timer is set for the whole millisecond that ends at most kTimerEarlyMs
// before that moment: it then lands on the deadline's millisecond or a
// little before it, and only what is left of it is waited out in browser
// turns without a timer, a fraction of a millisecond at most instead of
// turn after turn for the whole last millisecond.
void idleUntil(uint32_t deadline) {
    pause::noteWait(true);
    const double now = qv_now();
    const int32_t remaining =
        int32_t(deadline - (uint32_t(uint64_t(std::floor(now))) - pause::stoppedMs()));
    if (remaining <= 0) {
        return;
    }
    const double untilTick = double(std::min(remaining, kLongestSleepMs)) - (now - std::floor(now));
    qv_sleep(std::max(0, int(std::ceil(untilTick - kTimerEarlyMs))));
}

// Sleeps until the page has something for the game, or until the gamepads
// are to be looked at again.
void waitForInput() {
    pause::noteWait(false);
    qv_wait(qv_gamepads_connected() != 0 ? kGamepadLookMs : kHotplugLookMs);
}

} // namespace backend
} // namespace plat
