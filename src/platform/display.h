// The display: a 640x480 screen of 8-bit palette indices, two flipping
// surfaces (the one shown and the back buffer), off-screen pictures, one
// 256-entry palette, a clipper and one line of text at a time.
//
// Every surface is one byte per pixel. Rectangles handed to the blit and to
// the clip list exclude their right column and bottom row, so {0, 0, 48, 48}
// covers columns 0..47 and rows 0..47.
#pragma once

#include <cstdint>

namespace plat {

constexpr int32_t kScreenWidth = 640;
constexpr int32_t kScreenHeight = 480;

struct Surface;
struct Palette;
struct Clipper;

// A rectangle whose right and bottom edges are exclusive: {0, 0, 48, 48}
// covers columns 0..47 and rows 0..47.
struct ExclusiveRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One palette entry, in the order red, green, blue, flags.
struct PaletteColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

// What a lock hands out: the pixels of the whole surface.
struct SurfaceLock {
    uint8_t* pixels;
    int32_t pitch;
    int32_t width;
    int32_t height;
};

// Takes the screen (a window in the real game). The primary surface and the
// back buffer exist from a successful open until displayClose.
bool displayOpen();
void displayClose();
Surface* displayPrimary();
Surface* displayBackBuffer();
// Exchanges the pictures of the back buffer and the primary surface and
// shows the new primary surface through the palette.
bool displayFlip();

Palette* paletteCreate(const PaletteColour entries[256]);
bool paletteSetEntries(Palette* palette, int first, int count, const PaletteColour* entries);
void paletteRelease(Palette* palette);
// Makes the palette the display's palette; only the primary surface takes one.
bool surfaceSetPalette(Surface* primary, Palette* palette);

// A new off-screen picture, all index 0, or null when refused.
Surface* surfaceCreate(int32_t width, int32_t height);
// Gives a surface back. Releasing the primary surface or the back buffer
// only drops the game's hold on it; displayClose ends them.
void surfaceRelease(Surface* surface);
// Pixels whose index lies in low..high are left out of keyed blits.
bool surfaceSetColourKey(Surface* surface, uint8_t low, uint8_t high);
bool surfaceLock(Surface* surface, SurfaceLock* lock);
void surfaceUnlock(Surface* surface);
// Copies sourceRect of source onto targetRect of target (stretching when the
// sizes differ). With a clipper on the target, the copy is cut to its clip
// list; without one, a target rectangle outside the surface is refused.
bool surfaceBlit(Surface* target, const ExclusiveRect* targetRect, Surface* source,
                 const ExclusiveRect* sourceRect, bool useColourKey);
// Fills the whole surface with one palette index.
bool surfaceFill(Surface* surface, uint8_t index);

Clipper* clipperCreate();
bool clipperSetList(Clipper* clipper, int count, const ExclusiveRect* rectangles);
bool surfaceSetClipper(Surface* surface, Clipper* clipper);
void clipperRelease(Clipper* clipper);

// Writes one line of Windows-1252 text with its top-left corner at (x, y),
// glyph pixels only, in the palette entry nearest to colour (0x00BBGGRR).
// Not clipped by the clipper, but never written outside the surface.
bool textDraw(Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour);

// Off-screen pictures alive now (the two display surfaces not counted).
int liveSurfaceCount();

} // namespace plat
