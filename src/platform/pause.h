// When the game stands still: while the player is away from its window (or
// page), on any screen; and in play, when the player pauses it with P,
// Pause or a controller's Start. The tick counter stands still meanwhile and
// the sound is held, so every timer of the game carries on afterwards from
// where it stood; the sign shows over the picture while a game in play is
// held. A game in play that the player left comes back held, with the sign,
// and goes on at the next key, button or touch; a pause key's pause goes on
// at a pause key again or at Esc, which the game then sees.
//
// The game is in play when it last waited for a frame's deadline
// (idleUntil); the title and controls screens wait for input
// (waitForInput) instead, and there the pause keys keep their own meaning.
//
// The rule is the same on every backend. A backend tells it what happens
// (the waits, the presses) and answers its few questions (backend.h:
// windowAway, pauseClockMs, waitWhileStopped, holdSound, showPauseSign).
#pragma once

#include <cstdint>

namespace plat::pause {

// The game's last wait: for a frame's deadline (in play) or for input.
void noteWait(bool inPlay);
// A press of P, Pause or a controller's Start: pauses a game in play,
// or lets a held game go on.
void pausePressed();
// A press of Esc: lets a held game go on, so that the game then sees Esc.
void escapePressed();
// A press of any other key or button, or a touch: lets a game held since
// the player came back go on.
void otherPressed();

// Called by every pump of events: while the player is away or the game is
// held it does not return (the backend's own wait still answers the
// desktop's requests) until the game may go on or the desktop asks it to
// close. Returns whether it stood still.
bool standStillWhileStopped();

// The tick counter from the backend's clock, less the time stood still.
uint32_t tickCount();

// Whether the game is held with the sign (by a pause key, or since the
// player came back), and whether the sign is shown.
bool held();
bool signShown();
// Milliseconds of the backend's clock the game has stood still in all.
uint32_t stoppedMs();

// A fresh display: nobody away, nothing held, not in play. The time stood
// still so far is kept: the tick counter never goes back.
void forget();
// A fresh program, for the headless backend's tests: as forget, and no
// time stood still yet.
void restart();

} // namespace plat::pause
