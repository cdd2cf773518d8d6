// What the backend contract's cases need of a backend beyond the platform
// API: the few things a test must do differently on each backend. Each
// backend supplies them in one small driver_BACKEND.cpp, and its contract
// program is the cases (cases.cpp), that driver and the backend, linked
// together (qv_contract_suite in tests/contract/CMakeLists.txt).
//
// The cases drive the backend only through the platform API (display.h,
// audio.h, input.h, window.h) and through these calls, so that every
// backend answers the same questions the same way. A backend's driver:
//
// - begin/end: a fresh program before each case and after it: the clock
//   running from wherever the backend starts it, no key held, nothing
//   presented. The cases open and close the display and the sound
//   themselves, through the platform API.
// - slackMs: how late, in milliseconds of the tick counter, a wait or a
//   sound's end may come on this backend. 1 for a virtual clock that moves
//   a millisecond a turn; more on a real clock that the machine's load can
//   delay.
// - startClockAt: places the tick counter at a value (to cross its wrap);
//   false when the backend cannot, and the case that needs it is skipped.
// - passTime: lets at least that many milliseconds of the tick counter go
//   by, with the sound playing meanwhile: a virtual clock moves, a real one
//   is waited for.
// - pressKey: presses or lets go a key the way a player would, and returns
//   once the backend has had the chance to see it; false when no key can be
//   pressed here.
// - shownPicture: what the player sees of the last presented picture, one
//   0xRRGGBB value per pixel of the 640x480 frame, row by row.
// - playerSounding: whether the front-end player sounds at this moment.
// - soundDevice: makes the next audioOpen play through a device whose mixer
//   says when a voice has ended (true), or time every voice on the tick
//   counter (false); false when the backend cannot do that.
// - nextTick: returns once the tick counter has moved on, by as little as
//   the backend can manage.
// - later: makes something happen to the game's window once ms of the
//   backend's own clock (which runs on while the game stands still) have
//   passed, during whatever wait the game is in then; returns its number,
//   or -1 when the backend cannot. seen: whether it has happened, and what
//   the player would have found at that moment.
#pragma once

#include "platform/input.h"

#include <cstdint>
#include <vector>

namespace contract {

void begin();
void end();
uint32_t slackMs();
bool startClockAt(uint32_t tick);
void passTime(uint32_t milliseconds);
bool pressKey(plat::Key key, bool down);
bool shownPicture(std::vector<uint32_t>* rgb);
bool playerSounding();
bool soundDevice(bool device);
void nextTick();

enum class Happening { Away, Back, PauseKey, Escape, OtherKey };
struct Seen {
    bool happened = false;
    bool soundHeld = false;
    bool signShown = false;
};
int later(uint32_t ms, Happening what);
Seen seen(int happening);

} // namespace contract
