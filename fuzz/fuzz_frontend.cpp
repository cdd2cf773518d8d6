// Fuzz target: any bytes as the title music and the game-over jingle, played
// by the real SDL backend on SDL's dummy audio driver: the front-end path
// from the file through the WAVE checks and the conversion to the mixer.
#include "scratch.h"

#include "platform/audio.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

constexpr const char* kMusic = "sons/alien.wav";
constexpr const char* kJingle = "sons/GameOver_bis.wav";

void setUp() {
    const std::string& dir = fuzzing::scratchDir();
    std::filesystem::create_directories(dir + "/sons");
    // The front-end sounds are opened by paths relative to the working
    // directory.
    std::filesystem::current_path(dir);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!plat::audioOpen() || !plat::sdl::testing::audioDeviceOpen()) {
        broken("the dummy sound device did not open");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (setUp(), true);
    (void)ready;
    if (!fuzzing::writeWhole(kMusic, data, size) || !fuzzing::writeWhole(kJingle, data, size)) {
        broken("cannot write the input file");
    }
    // Each input is a new run's files: forget what the last one read.
    plat::detail::forgetSoundFiles();
    const bool music = plat::playSoundFile(kMusic, true);
    // Only samples that passed reach the mixer. (One that passed may still
    // be too short to leave a sample at the device's rate.)
    if (!music && plat::sdl::testing::playerPlaying()) {
        broken("refused music plays");
    }
    const bool jingle = plat::playSoundFile(kJingle, false);
    if (jingle != music) {
        broken("the same bytes were taken once and refused once");
    }
    // Played again, as on every frame of a game over: from memory.
    plat::playSoundFile(kJingle, false);
    return 0;
}
