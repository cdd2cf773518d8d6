// Linked into the programs that run the SDL backend under the leak checker:
// libraries that SDL and the GL drivers load and unload again stay loaded
// until the program ends, so that the checker can name the library behind
// whatever it left allocated, and the suppressions for the system's
// libraries can match it. Nothing of the game is unloaded, so nothing else
// changes.
#include <dlfcn.h>

extern "C" int dlclose(void*) {
    return 0;
}
