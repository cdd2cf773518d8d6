// The window system coming and going. Video starts without trying Wayland
// where no Wayland display is named. When the window system goes away under
// the game (the X server killed, the session ended), Xlib's own way is to
// print its message and call exit() from inside whatever call noticed, while
// the mixer's thread is still mixing and the libraries are being unloaded
// under it. SDL offers no hook of its own for this, so Xlib's I/O error
// handler is taken: the sound stops first, the player gets the game's one
// line, and the program ends at once with status 1, leaving the libraries
// in place for the threads that are still running.
#include "sdl_internal.h"

#include "platform/report.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace plat::sdl {

namespace {

int displayLost(Display*) {
    pauseSound(true);
    reportNotice("cannot go on: the display closed");
    _exit(1);
}

} // namespace

void watchForDisplayLoss() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && SDL_strcmp(driver, "x11") == 0) {
        XSetIOErrorHandler(displayLost);
    }
}

bool startVideo() {
    // With no Wayland display named there is nothing to reach, and trying
    // makes libwayland print its own line before the game's. The player's
    // own choice of driver stays.
    if (std::getenv("WAYLAND_DISPLAY") != nullptr || std::getenv("SDL_VIDEODRIVER") != nullptr) {
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        // The drivers that draw nowhere are only ever taken when named.
        if (SDL_strcmp(name, "wayland") == 0 || SDL_strcmp(name, "dummy") == 0 ||
            SDL_strcmp(name, "offscreen") == 0 || SDL_strcmp(name, "evdev") == 0) {
            continue;
        }
        if (!drivers.empty()) {
            drivers += ',';
        }
        drivers += name;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_SetError("no X11 or Wayland desktop could be reached");
        return false;
    }
    return true;
}

} // namespace plat::sdl
