// The program's entry: its window, the message loop, the tear-down.
#pragma once

#include "platform/window.h"

#include <cstdint>

extern plat::Window* mainWindow;

// The window procedure of the game's one window.
intptr_t windowProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Runs the whole program; returns the process's exit code: 0 when the
// player quits, 1 when the program had to stop on a failure.
int gameMain();
