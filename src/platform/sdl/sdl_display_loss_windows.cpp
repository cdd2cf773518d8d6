// On Windows the desktop stays for as long as the program runs: the end of
// a session reaches the game as a close request, which it answers as Esc.
#include "sdl_internal.h"

namespace plat::sdl {

void watchForDisplayLoss() {}

} // namespace plat::sdl
