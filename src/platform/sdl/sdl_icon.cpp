#include "platform/sdl/sdl_icon.h"

// Defines kWindowIconSize and kWindowIconPixels, 0xAARRGGBB values row by
// row; generated into the build tree.
#include "window_icon.inc"

namespace plat::sdl {

static_assert(sizeof kWindowIconPixels / sizeof kWindowIconPixels[0] ==
              size_t(kWindowIconSize) * kWindowIconSize);

void setWindowIcon(SDL_Window* window) {
    // SDL copies the pixels into the window's icon and never writes them.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned*>(kWindowIconPixels), kWindowIconSize, kWindowIconSize, 32,
        kWindowIconSize * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon != nullptr) {
        SDL_SetWindowIcon(window, icon);
        SDL_FreeSurface(icon);
    }
}

} // namespace plat::sdl
