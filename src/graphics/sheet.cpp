#include "graphics/sheet.h"

namespace {
int sheetReads = 0;
}

bool readSheet(LoadedSheet& sheet) {
    freeBitmapPixels(sheet.image);
    ++sheetReads;
    return loadBitmapFile(sheet.image, kSheetPath);
}

bool cutSheetPictures(const SheetBlock& block, Picture** const tables[], int32_t tableCount) {
    LoadedSheet sheet;
    if (!readSheet(sheet)) {
        return false;
    }
    for (int32_t t = 0; t < tableCount; ++t) {
        Picture*& table = *tables[t];
        if (!remakePictureTable(table, block.frameCount)) {
            return false;
        }
        for (int32_t k = 0; k < block.frameCount; ++k) {
            table[k] = createOffscreenSurface(block.width, block.height, true);
            const CutOrigin origin = block.originOf(k);
            if (table[k] == nullptr ||
                !copySheetRegion(sheet.image, table[k], origin.x, origin.y)) {
                return false;
            }
        }
    }
    return true;
}

int sheetReadCount() {
    return sheetReads;
}
