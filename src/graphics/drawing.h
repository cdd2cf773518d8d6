// The five drawing operations every picture of the game passes through.
#pragma once

#include "graphics/bitmap.h"
#include "platform/display.h"

#include <cstdint>

// A picture: an off-screen 8-bit surface of one frame's size.
using Picture = plat::Surface*;

// Text colour as 0x00BBGGRR; the game writes everything in white.
constexpr uint32_t kTextWhite = 0xFFFFFF;

// A picture table: a heap array of count null picture references.
Picture* allocateZeroed(int32_t count);
// Frees a picture table (not its pictures); null does nothing.
void freePictureTable(Picture*& table);
// Releases every picture in a table of count entries, then frees the table.
void releasePictureTable(Picture*& table, int32_t count);

// A new picture of width x height, with palette index 0 transparent when
// useColourKey is set; null when refused. extraCaps is kept for the callers'
// sake and must be 0.
Picture createOffscreenSurface(int32_t width, int32_t height, uint32_t extraCaps,
                               bool useColourKey);
// Fills the whole picture from the sheet, starting one column and one row
// after the cut origin (x, y): a 48x48 picture cut at (x, y) receives sheet
// columns x + 1..x + 48 and rows y + 1..y + 48. Copies nothing and reports
// false when the picture cannot be locked or the region leaves the sheet.
bool copySheetRegion(const BitmapImage& bitmap, Picture surface, int32_t x, int32_t y);
// Fills a surface with one palette index; always true.
bool clearSurface(plat::Surface* surface, uint32_t colourIndex);
// Draws a width x height picture with its top-left corner at (x, y). The
// blit's right column and bottom row are exclusive, so columns x..x+width-2
// and rows y..y+height-2 change; the target's clipper cuts the rest.
bool drawPicture(Picture picture, int32_t x, int32_t y, int32_t width, int32_t height,
                 plat::Surface* target, bool useColourKey);
// One line of Windows-1252 text with its top-left corner at (x, y).
bool drawText(plat::Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour);
