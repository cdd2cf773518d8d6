// The game's icon on its window.
#pragma once

#include <SDL.h>

namespace plat::sdl {

// Gives the window the game's icon, drawn by the asset generator (the same
// picture as the desktop's icon). A window manager that shows no icons just
// ignores it.
void setWindowIcon(SDL_Window* window);

} // namespace plat::sdl
