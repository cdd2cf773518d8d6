// The command line: the game takes no options, but answers --help and
// --version, as a program on a desktop is expected to, without opening a
// window. Every other argument is ignored.
#pragma once

#include <string>

// What the program prints for its arguments and then exits 0 with, or an
// empty string when it is to play.
std::string commandLineAnswer(int argc, const char* const* argv);
