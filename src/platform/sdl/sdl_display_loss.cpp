// When the window system goes away under the game: the X server killed, the
// session ended. Xlib's own way is to print its message and call exit() from
// inside whatever call noticed, while the mixer's thread is still mixing and
// the libraries are being unloaded under it. SDL offers no hook of its own
// for this, so Xlib's I/O error handler is taken: the sound stops first, the
// player gets the game's one line, and the program ends at once with status
// 1, leaving the libraries in place for the threads that are still running.
// SDL loads Xlib itself when it starts the X11 driver; the handler is set
// through that same library, so the game needs none of its own.
#include "sdl_internal.h"

#include "platform/report.h"

#include <SDL.h>

#include <dlfcn.h>
#include <unistd.h>

namespace plat::sdl {

namespace {

// Xlib's handler: it takes the display, which is not looked at.
using IoErrorHandler = int (*)(void* display);
using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler handler);

int displayLost(void*) {
    pauseSound(true);
    reportNotice("cannot go on: the display closed");
    _exit(1);
}

} // namespace

void watchForDisplayLoss() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "x11") != 0) {
        return;
    }
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr) {
        return;
    }
    if (auto set = reinterpret_cast<SetIoErrorHandler>(dlsym(xlib, "XSetIOErrorHandler"))) {
        set(displayLost);
    }
    // The library stays loaded for SDL; this handle only counted it once more.
    dlclose(xlib);
}

} // namespace plat::sdl
