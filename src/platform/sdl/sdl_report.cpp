// Lines for the player on SDL: straight to standard error.
#include "platform/backend.h"

#include <SDL.h>

#include <cstdio>

namespace plat::backend {

void writeErrorLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string lastError() {
    const char* error = SDL_GetError();
    return error != nullptr ? error : "";
}

} // namespace plat::backend
