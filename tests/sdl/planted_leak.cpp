// Runs the SDL backend as the game does (a window with a picture presented,
// the sound device with an effect played), then loses one effect buffer
// instead of releasing it. In the sanitizer build the leak checker must
// report that buffer, with the system libraries' suppressions in force.
#include "platform/audio.h"
#include "platform/display.h"

#include <SDL.h>

#include <cstdio>

namespace {

// 100 ms of 8-bit mono at 8000 Hz.
constexpr uint8_t kFormat[16] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};
constexpr uint32_t kBytes = 800;

bool presentOnePicture() {
    plat::PaletteColour colours[256] = {};
    colours[1] = {200, 100, 50, 0};
    plat::Palette* palette = plat::paletteCreate(colours);
    const bool shown = plat::surfaceSetPalette(plat::displayPrimary(), palette) &&
                       plat::surfaceFill(plat::displayBackBuffer(), 1) && plat::displayFlip();
    plat::paletteRelease(palette);
    return shown;
}

// The planted leak: a buffer made and played, then forgotten.
__attribute__((noinline)) void loseOneBuffer() {
    plat::SoundBuffer* lost = plat::soundBufferCreate(kFormat, sizeof kFormat, kBytes);
    plat::soundBufferPlay(lost);
}

} // namespace

int main() {
    if (!plat::displayOpen() || !plat::audioOpen() || !presentOnePicture()) {
        std::fprintf(stderr, "qv_planted_leak: the SDL backend did not start: %s\n",
                     SDL_GetError());
        return 2;
    }
    plat::SoundBuffer* kept = plat::soundBufferCreate(kFormat, sizeof kFormat, kBytes);
    plat::soundBufferPlay(kept);
    loseOneBuffer();
    SDL_Delay(150);
    plat::soundBufferRelease(kept);
    plat::audioClose();
    plat::displayClose();
    return 0;
}
