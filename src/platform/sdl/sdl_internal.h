// What the files of the SDL backend share among themselves.
#pragma once

#include "platform/display.h"
#include "platform/input.h"

#include <SDL.h>

#include <cstdint>

namespace plat::sdl {

// Shows the last presented frame again (after an exposure or a resize),
// uploading it anew so that a renderer which lost its textures recovers.
void redrawLastFrame();

// The renderer lost its textures (device or target reset): make them again.
void recreateTexture();

// Full screen becomes a window at the largest whole scale that fits the
// desktop, and a window becomes full screen again.
void toggleFullscreen();

// Shows or takes away the sign that says the game is paused. It is drawn
// over the presented picture, never into the game's frames.
void showPauseSign(bool shown);

// A new window is one the player is at, with no key taken by the desktop.
void forgetWindowState();

// Holds or lets go every effect voice and the front-end player.
void pauseSound(bool paused);

// Game controllers: opened with the display, closed with it.
void gamepadsOpen();
void gamepadsClose();
// Reads the controllers' buttons and sticks anew, and notices controllers
// plugged in or pulled out.
void gamepadsUpdate();
// A controller was added or removed.
void gamepadEvent(const SDL_Event& event);
bool gamepadHeld(Key key);
bool gamepadsConnected();

// Once the window is open: the loss of the window system stops the sound and
// ends the program with the game's own line and status 1.
void watchForDisplayLoss();
// Before video starts: Wayland is not tried when no Wayland display is named.
// Returns whether it chose the drivers to try.
bool skipWaylandWithoutDisplay();

} // namespace plat::sdl
