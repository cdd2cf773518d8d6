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

// Where the frame lands on an output (the full screen or the window's client
// area) of the given size, and how it gets there. Where the largest whole
// scale already fills at least 85% of the largest 4:3 picture that fits,
// every game pixel is an exact square block of that scale. Otherwise the
// picture takes that largest 4:3 size: each game pixel is first widened to
// a block of the smallest whole scale that covers it, and that picture is
// then shrunk smoothly (linear) by what is left, so that pixels stay sharp
// with one soft row at their edges. The picture is always centred on black.
struct FramePlacement {
    SDL_Rect place;
    // The whole factor each game pixel is widened by.
    int scale;
    // Whether the widened picture is then resampled linearly to the place.
    bool smooth;
};
FramePlacement placeFrame(int outputWidth, int outputHeight);

// Draws a 640x480 frame of palette indices onto a 32-bit surface as
// placeFrame places it; the borders around it are left as they are. The
// surface must be locked if it needs to be. Returns where the frame landed.
SDL_Rect drawFrameOnto(SDL_Surface* surface, const uint8_t* pixels,
                       const PaletteColour palette[256]);

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
// Starts SDL's video, where Wayland is not tried when no Wayland display is
// named; false with SDL's error set when no video driver starts.
bool startVideo();

} // namespace plat::sdl
