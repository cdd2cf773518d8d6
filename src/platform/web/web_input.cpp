// Keys, gamepads, the millisecond clock and the waits in a web page.
//
// The game's loops stay as they are: every wait hands the browser its turn
// (the page draws, its events arrive, the sound plays) and the game goes on
// from inside the wait when the browser hands it back.
//
// When the page is hidden or loses the keyboard, the game stops where it is:
// the next pump of events does not return until the player is back. The
// tick counter stands still meanwhile and the sound is held, so every timer
// of the game carries on afterwards from where it stood.
//
// P, Pause and a gamepad's Start pause a game in play the same way, with a
// sign over the picture, until one of them (or Esc) is pressed again. The
// game is in play when it last waited for a frame's deadline (idleUntil);
// the title and controls screens wait for input instead, and there the keys
// keep their own meaning: Start is Enter.
#include "platform/backend.h"
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
// How late the browser's timers may come, in milliseconds.
constexpr double kTimerLateMs = 1.0;

// Whether the game is stopped for the player's absence, since when on the
// browser's clock, and how long it has been stopped in all.
bool stopped = false;
uint64_t stoppedAt = 0;
uint64_t stoppedMs = 0;

// The player paused the game with a key, and has not resumed it yet.
bool keyPaused = false;
// The game's last wait was for a frame's deadline rather than for input.
bool inPlay = false;

uint64_t clockMs() {
    return uint64_t(std::floor(qv_now()));
}

// The presses of the pause keys since the last reading, in order: each
// pauses a game in play or resumes a paused one; Esc resumes it, so that
// the game then sees Esc.
void readPauseKeys() {
    for (int presses = qv_take_pause_presses(); presses > 0; --presses) {
        if (keyPaused) {
            keyPaused = false;
        } else if (inPlay) {
            keyPaused = true;
        }
    }
    if (qv_take_escape_press() != 0) {
        keyPaused = false;
    }
}

// The player is away or paused the game: it stops here, its clock stopped
// and its sound held, until the page is shown, has the keyboard and the
// pause has ended. The sign shows while the pause key holds the game.
void waitWhileStopped() {
    stoppedAt = clockMs();
    stopped = true;
    web::pauseSound(true);
    while ((qv_away() != 0 || keyPaused) && !closeRequested()) {
        qv_pause_sign(keyPaused ? 1 : 0);
        qv_wait(keyPaused && qv_gamepads_connected() != 0 ? kGamepadLookMs : kAwayLookMs);
        readPauseKeys();
    }
    keyPaused = false;
    qv_pause_sign(0);
    web::pauseSound(false);
    stoppedMs += clockMs() - stoppedAt;
    stopped = false;
}

} // namespace

namespace backend {

void pumpEvents() {
    readPauseKeys();
    if ((qv_away() != 0 || keyPaused) && !closeRequested()) {
        waitWhileStopped();
    }
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
    return uint32_t((stopped ? stoppedAt : clockMs()) - stoppedMs);
}

// Sleeps until the moment the tick counter reads the deadline. The browser's
// timers come up to a millisecond or so late, so the timer is set a
// millisecond short, and the last moment is waited out in turns that hand
// the browser its turn without a timer: the frame ends on time and not a
// moment later.
void idleUntil(uint32_t deadline) {
    inPlay = true;
    const double now = qv_now();
    const int32_t remaining = int32_t(deadline - uint32_t(uint64_t(std::floor(now)) - stoppedMs));
    if (remaining <= 0) {
        return;
    }
    const double untilTick = double(std::min(remaining, kLongestSleepMs)) - (now - std::floor(now));
    qv_sleep(untilTick > kTimerLateMs + 1 ? int(untilTick - kTimerLateMs) : 0);
}

// Sleeps until the page has something for the game, or until the gamepads
// are to be looked at again.
void waitForInput() {
    inPlay = false;
    qv_wait(qv_gamepads_connected() != 0 ? kGamepadLookMs : kHotplugLookMs);
}

} // namespace backend
} // namespace plat
