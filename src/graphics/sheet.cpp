#include "graphics/sheet.h"

#include "platform/report.h"

#include <string>

namespace {
int sheetReads = 0;
}

bool readSheet(LoadedSheet& sheet) {
    freeBitmapPixels(sheet.image);
    ++sheetReads;
    if (!loadBitmapFile(sheet.image, kSheetPath)) {
        return false;
    }
    // The loader reads 16- and 24-bit pictures too, but the sheet's pixels
    // are palette indices copied as they are: any other picture would play
    // as streaks on a black screen.
    const uint16_t bits = sheet.image.infoHeader.biBitCount;
    if (bits != 8) {
        freeBitmapPixels(sheet.image);
        plat::noteFailure("cannot load", kSheetPath,
                          "a " + std::to_string(bits) +
                              "-bit picture; the sheet must be 8-bit with its palette");
        return false;
    }
    return true;
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
