// Views into the SDL backend for its own tests. The game never includes this.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace plat::sdl::testing {

// The open window, or null.
SDL_Window* window();

// Draws the last presented frame once more onto the renderer's target and
// reads the whole target back as 0xAARRGGBB pixels, row by row.
bool readBackFrame(std::vector<uint32_t>* pixels, int* width, int* height);

// Makes the next displayOpen draw through a renderer even where the window
// has a framebuffer of its own, as it does on window systems without one.
void presentThroughRenderer(bool renderer);
// Whether the open display draws straight into the window's framebuffer.
bool drawsIntoWindowSurface();

// Whether the mixer has a real (or dummy) device; false when sound runs
// silently on the tick counter.
bool audioDeviceOpen();

// Whether the game holds the sound at this moment.
bool soundHeldNow();

// Whether the front-end player's channel is playing.
bool playerPlaying();

// Milliseconds the tick counter has stood still while the player was away.
uint32_t timeAwayMs();
// Moves the tick counter to read tick now; it counts on from there.
void setTickCount(uint32_t tick);

// Called after every presented picture (null for none): lets a test program
// note what the game's clock said when each frame was shown.
void onPresent(void (*hook)());

} // namespace plat::sdl::testing
