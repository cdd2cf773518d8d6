// Keys, the millisecond tick counter and the wait between polls.
#pragma once

#include <cstdint>

namespace plat {

enum class Key { Enter, Escape, F3, F4, Left, Right, Up, Down, Space };

// Whether the key is held at the moment of asking, by physical position, so
// every keyboard layout plays the same. A close request from the desktop
// reads as a held Esc from then on.
bool keyDown(Key key);

// Whether the desktop has asked the program to close (window manager close,
// Alt+F4).
bool closeRequested();

// Milliseconds, wrapping at 32 bits.
uint32_t tickCount();

// The waits: every loop that polls the tick counter or the keys and finds
// nothing to do calls one of these, so that waiting does not burn a core.
//
// One turn of a wait for the tick counter to reach deadline: returns once it
// has, or earlier, and the caller tests its own condition again. The real
// game sleeps the whole time at once.
void idleUntil(uint32_t deadline);

// One turn of a wait for a key: returns when something may have changed (a
// key, a button, a request from the desktop), and the caller polls its keys
// again. The real game sleeps until then.
void waitForInput();

void cursorShow(bool show);

} // namespace plat
