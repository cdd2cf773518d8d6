#include "sound/effects.h"

#include "platform/audio.h"
#include "sound/wave.h"

namespace {
constexpr int32_t kFirstSporeVoice = 1;
constexpr int32_t kLastSporeVoice = 3;
} // namespace

void startEffect(int32_t slot) {
    if (slot >= 0 && slot < kSoundBufferSlots) {
        plat::soundBufferPlay(soundBuffers[slot]);
    }
}

int32_t findIdleSoundBuffer(int32_t first, int32_t last) {
    for (int32_t slot = first; slot <= last; ++slot) {
        if (slot < 0 || slot >= kSoundBufferSlots || soundBuffers[slot] == nullptr) {
            continue;
        }
        if (plat::soundBufferPosition(soundBuffers[slot]) == 0) {
            return slot;
        }
    }
    return -1;
}

void playSporeExplosion() {
    const int32_t slot = findIdleSoundBuffer(kFirstSporeVoice, kLastSporeVoice);
    if (slot != -1) {
        startEffect(slot);
    }
}

void playTitleMusic() {
    plat::playSoundFile(kTitleMusic, true);
}

void playGameOverJingle() {
    plat::playSoundFile(kGameOverJingle, false);
}
