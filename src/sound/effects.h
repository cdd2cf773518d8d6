// Starting sounds: the effects by slot, the spore explosion's three voices,
// and the front-end player's title music and game-over jingle.
#pragma once

#include "data_files.h"

#include <cstdint>

enum SoundSlot : int32_t {
    SoundLaser = 0,
    SoundSporeExplosion = 1,
    SoundPlantGrowth = 4,
    SoundExplosion = 5,
    SoundMetamorphosis = 6,
};

inline constexpr const char* kTitleMusic = dataFiles::kTitleMusic;
inline constexpr const char* kGameOverJingle = dataFiles::kGameOverJingle;

// Plays the effect in slot once; an effect still playing goes on where it
// is, so an effect never overlaps itself.
void startEffect(int32_t slot);
// The lowest slot in first..last whose buffer is idle (play position 0), or
// -1 when none is.
int32_t findIdleSoundBuffer(int32_t first, int32_t last);
// Starts the spore explosion on an idle voice; a fourth at once is silent.
void playSporeExplosion();
// The title music, looping until the next front-end sound replaces it.
void playTitleMusic();
// The game-over jingle, once; it replaces the title music.
void playGameOverJingle();
