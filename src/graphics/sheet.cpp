#include "graphics/sheet.h"

namespace {
int sheetReads = 0;
}

CutOrigin gridOrigin(int32_t k, int32_t firstCell, int32_t cellsPerRow, int32_t width,
                     int32_t height, int32_t x0, int32_t y0) {
    const int32_t cell = k + firstCell;
    return {x0 + width * (cell % cellsPerRow), y0 + height * (cell / cellsPerRow)};
}

bool cutSheetPictures(const SheetBlock& block, Picture** const tables[], int32_t tableCount) {
    BitmapImage sheet{};
    sheet.pixels = nullptr;
    ++sheetReads;
    if (!loadBitmapFile(sheet, kSheetPath)) {
        return false;
    }
    for (int32_t t = 0; t < tableCount; ++t) {
        Picture*& table = *tables[t];
        releasePictureTable(table, block.frameCount);
        table = allocateZeroed(block.frameCount);
        if (table == nullptr) {
            freeBitmapPixels(sheet);
            return false;
        }
        for (int32_t k = 0; k < block.frameCount; ++k) {
            table[k] = createOffscreenSurface(block.width, block.height, 0, true);
            const CutOrigin origin = block.originOf(k);
            if (table[k] == nullptr || !copySheetRegion(sheet, table[k], origin.x, origin.y)) {
                freeBitmapPixels(sheet);
                return false;
            }
        }
    }
    freeBitmapPixels(sheet);
    return true;
}

int sheetReadCount() {
    return sheetReads;
}
