// The five drawing operations every picture of the game passes through.
#pragma once

#include "graphics/bitmap.h"
#include "platform/display.h"

#include <cstdint>
#include <memory>

// A picture: an off-screen 8-bit surface of one frame's size.
using Picture = plat::Surface*;

// Text colour as 0x00BBGGRR; the game writes everything in white.
constexpr uint32_t kTextWhite = 0xFFFFFF;

// Gives back a picture table: every picture in it, then the table itself.
struct PictureTableRelease {
    int32_t count = 0;
    void operator()(Picture* table) const;
};
// A picture table that owns its pictures.
using PictureTable = std::unique_ptr<Picture[], PictureTableRelease>;

// A picture table of count null picture references; none when count is not
// positive or the memory is refused.
PictureTable allocateZeroed(int32_t count);
// Makes table (an object's `frames`) a fresh table of count null pictures,
// giving back the one it held. The tables are owned here, each until it is
// replaced or released; false when the memory is refused.
bool remakePictureTable(Picture*& table, int32_t count);
// Gives back the table with its pictures and clears the reference; a table
// never made does nothing.
void releasePictureTable(Picture*& table);
// Gives back every table still held.
void releaseAllPictureTables();

// A new picture of width x height, with palette index 0 transparent when
// useColourKey is set; null when refused.
Picture createOffscreenSurface(int32_t width, int32_t height, bool useColourKey);
// Fills the whole picture from the sheet, starting one column and one row
// after the cut origin (x, y): a 48x48 picture cut at (x, y) receives sheet
// columns x + 1..x + 48 and rows y + 1..y + 48. Copies nothing and reports
// false when the picture cannot be locked or the region leaves the sheet.
bool copySheetRegion(const BitmapImage& bitmap, Picture surface, int32_t x, int32_t y);
// Fills a surface with one palette index; false when the display refused the
// fill (a surface that is gone, or none).
bool clearSurface(plat::Surface* surface, uint32_t colourIndex);
// Draws a width x height picture with its top-left corner at (x, y). The
// blit's right column and bottom row are exclusive, so columns x..x+width-2
// and rows y..y+height-2 change; the target's clipper cuts the rest.
bool drawPicture(Picture picture, int32_t x, int32_t y, int32_t width, int32_t height,
                 plat::Surface* target, bool useColourKey);
// One line of Windows-1252 text with its top-left corner at (x, y).
bool drawText(plat::Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour);
