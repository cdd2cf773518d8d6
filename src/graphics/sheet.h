// Cutting pictures out of the sprite sheet, the one rule every picture
// loader follows: read the sheet, release and remake each picture table,
// cut every frame at its origin, free the sheet's pixels.
#pragma once

#include "graphics/drawing.h"

#include <cstdint>

// The sprite sheet, opened by this relative path at every game start.
inline constexpr const char* kSheetPath = "images/images.bmp";

// Where frame k of a block is cut: a picture cut at (x, y) shows sheet
// columns x + 1.. and rows y + 1.. (its first column and row never show).
struct CutOrigin {
    int32_t x;
    int32_t y;
};

// A block of the sheet: how many frames, their size, and where each is cut.
struct SheetBlock {
    int32_t frameCount;
    int32_t width;
    int32_t height;
    CutOrigin (*originOf)(int32_t frame);
};

// Cut origin of frame k in a block laid out as rows of cellsPerRow cells of
// width x height from (x0, y0), its first frame in cell firstCell.
CutOrigin gridOrigin(int32_t k, int32_t firstCell, int32_t cellsPerRow, int32_t width,
                     int32_t height, int32_t x0, int32_t y0);

// Reads the sheet once and gives each of the tableCount tables a fresh set
// of the block's pictures, releasing the set it held before. False at the
// first failure, with the pictures made so far left in their tables.
bool cutSheetPictures(const SheetBlock& block, Picture** const tables[], int32_t tableCount);

// Sheet reads since the program started (every game start reads it anew).
int sheetReadCount();
