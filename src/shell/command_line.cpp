#include "shell/command_line.h"

#include <cstring>

#ifndef QV_VERSION
#define QV_VERSION "unknown"
#endif

namespace {

const char kUsage[] = "Usage: quorvelindaxtor [--help | --version]\n"
                      "\n"
                      "Quorvelindaxtor, a 2-D arcade shooter: defend the domed base against the\n"
                      "spores of invading plants. It starts full screen; its texts are in French.\n"
                      "\n"
                      "Keys:\n"
                      "  Enter            start a game (title screen)\n"
                      "  F3 / F4          show the controls, and leave them\n"
                      "  Left / Right     turn the ship\n"
                      "  Up / Down        thrust forward, or backward\n"
                      "  Space            fire\n"
                      "  P, Pause         pause a game in play, and go on\n"
                      "  Esc              quit\n"
                      "  Alt+Enter, F11   switch between full screen and a window\n"
                      "\n"
                      "The data (images/, sons/, font/) is looked for in the working directory,\n"
                      "then in data/ beside the program, then in ../share/quorvelindaxtor beside\n"
                      "it (/usr/share/quorvelindaxtor for the Debian package).\n"
                      "\n"
                      "More in the manual page: man 6 quorvelindaxtor\n";

} // namespace

std::string commandLineAnswer(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return kUsage;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            return "quorvelindaxtor " QV_VERSION "\n";
        }
    }
    return {};
}
