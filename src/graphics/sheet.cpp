#include "graphics/sheet.h"

namespace {
int sheetReads = 0;
}

bool readSheet(BitmapImage& sheet) {
    sheet.pixels = nullptr;
    ++sheetReads;
    return loadBitmapFile(sheet, kSheetPath);
}

bool cutSheetPictures(const SheetBlock& block, Picture** const tables[], int32_t tableCount) {
    BitmapImage sheet{};
    if (!readSheet(sheet)) {
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
