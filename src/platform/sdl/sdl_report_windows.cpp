// Lines for the player on SDL under Windows. A game started from Explorer
// has no standard error: the line then shows in a message box, the only
// place such a player would see it. With a console, a pipe or a file (a
// terminal, the tests) it goes to standard error and no box opens, so
// nothing waits on a click.
#include "platform/backend.h"

#include <SDL.h>
#include <windows.h>

#include <cstdio>

namespace plat::backend {

void writeErrorLine(const std::string& line) {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
        GetFileType(handle) != FILE_TYPE_UNKNOWN) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        return;
    }
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Quorvelindaxtor", line.c_str(), nullptr);
}

std::string lastError() {
    const char* error = SDL_GetError();
    return error != nullptr ? error : "";
}

} // namespace plat::backend
