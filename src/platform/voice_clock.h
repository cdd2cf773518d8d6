// The clock of an effect voice that no mixer reports on: it plays for its
// length on the tick counter. A voice started in one tick reads position 0
// in that tick (it has not moved yet, and counts as idle); from the next
// tick on it reads the time since its start in its own bytes, at least 1;
// through the tick start + its length in whole milliseconds it reads at
// most its last byte, since it started somewhere inside its first tick and
// may still be sounding; from the tick after that it reads 0, idle.
//
// Every backend times its voices by this; where SDL_mixer plays a voice,
// the mixer says when it has ended instead, and the position is read the
// same way while it plays.
#pragma once

#include "platform/backend.h"

#include <cstdint>

namespace plat {

// The samples' length in whole milliseconds, at least 1.
uint32_t voiceLengthMs(const SoundSamples& samples);

// Whether a voice started at startTick still plays at the tick now.
bool voicePlaysAt(uint32_t startTick, uint32_t lengthMs, uint32_t now);

// The position a playing voice reads at the tick now.
uint32_t voicePositionAt(const SoundSamples& samples, uint32_t startTick, uint32_t now);

} // namespace plat
