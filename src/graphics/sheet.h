// Cutting pictures out of the sprite sheet, the one rule every picture
// loader follows: read the sheet, release and remake each picture table,
// cut every frame at its origin, free the sheet's pixels.
#pragma once

#include "data_files.h"
#include "graphics/drawing.h"
#include "graphics/sheet_layout.h"

#include <cstdint>

// The sprite sheet, opened by this relative path at every game start.
inline constexpr const char* kSheetPath = dataFiles::kSheet;

// A block of the sheet: how many frames, their size, and where each is cut.
struct SheetBlock {
    int32_t frameCount;
    int32_t width;
    int32_t height;
    CutOrigin (*originOf)(int32_t frame);
};

// The sprite sheet read from its file. Its pixels are freed with it, on
// every way out of the code that cuts pictures from it.
struct LoadedSheet {
    BitmapImage image{};
    LoadedSheet() = default;
    LoadedSheet(const LoadedSheet&) = delete;
    LoadedSheet& operator=(const LoadedSheet&) = delete;
    ~LoadedSheet() { freeBitmapPixels(image); }
};

// Reads the sprite sheet into sheet, counting the read; refuses (with the
// failure noted) a sheet that is not 8-bit with its palette.
bool readSheet(LoadedSheet& sheet);

// Reads the sheet once and gives each of the tableCount tables a fresh set
// of the block's pictures, releasing the set it held before. False at the
// first failure, with the pictures made so far left in their tables.
bool cutSheetPictures(const SheetBlock& block, Picture** const tables[], int32_t tableCount);

// Sheet reads since the program started: one at device set-up, then every
// game start reads it anew for each of its picture sets.
int sheetReadCount();
