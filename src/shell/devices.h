// The display and sound devices: taken once at start, given back once at
// the end.
#pragma once

#include "graphics/drawing.h"
#include "platform/display.h"
#include "shell/rect.h"

#include <cstdint>

extern bool displayOpened;
extern plat::Surface* primarySurface;
extern plat::Surface* backBuffer;
extern plat::Palette* palette;
extern plat::Clipper* clipper;
extern bool soundDeviceOpened;
// The title picture, shown by the title and controls screens.
extern Picture titleSurface;
// The palette the display starts from: black at 0, white at 255.
extern plat::PaletteColour paletteEntries[256];

// Takes the screen, sets the palette from the sprite sheet (entry 255 stays
// white), puts the clipper on the back buffer, opens the sound device and
// cuts the title picture. False at the first failure, leaving what was made
// so far for releaseDevices.
bool initDevices();
// Gives back whatever exists; safe after a set-up that failed half-way.
void releaseDevices();
// Makes the clipper with a list of count rectangles (right and bottom
// exclusive, as the display reads them) and puts it on the surface.
bool setSurfaceClipList(plat::Surface* surface, int32_t count, const InclusiveRect* rectangles);
