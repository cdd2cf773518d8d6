#include "graphics/drawing.h"

#include "graphics/sheet.h"
#include "platform/report.h"

#include <cstring>
#include <map>
#include <new>
#include <string>

namespace {

// The picture tables the loaders made, by the table's address: the objects
// see theirs through their `frames`. Never destroyed, so that no table
// outlives the display it belongs to at the program's exit.
std::map<Picture*, PictureTable>& pictureTables() {
    static auto* tables = new std::map<Picture*, PictureTable>;
    return *tables;
}

} // namespace

void PictureTableRelease::operator()(Picture* table) const {
    for (int32_t i = 0; i < count; ++i) {
        plat::surfaceRelease(table[i]);
    }
    delete[] table;
}

PictureTable allocateZeroed(int32_t count) {
    if (count <= 0) {
        return nullptr;
    }
    return PictureTable(new (std::nothrow) Picture[size_t(count)](), PictureTableRelease{count});
}

bool remakePictureTable(Picture*& table, int32_t count) {
    releasePictureTable(table);
    PictureTable made = allocateZeroed(count);
    if (made == nullptr) {
        return false;
    }
    table = made.get();
    pictureTables().emplace(table, std::move(made));
    return true;
}

void releasePictureTable(Picture*& table) {
    if (table != nullptr) {
        pictureTables().erase(table);
        table = nullptr;
    }
}

void releaseAllPictureTables() {
    pictureTables().clear();
}

Picture createOffscreenSurface(int32_t width, int32_t height, bool useColourKey) {
    Picture surface = plat::surfaceCreate(width, height);
    if (surface != nullptr && useColourKey) {
        // A refused key goes unnoticed: the picture is then drawn whole.
        plat::surfaceSetColourKey(surface, 0, 0);
    }
    return surface;
}

bool copySheetRegion(const BitmapImage& bitmap, Picture surface, int32_t x, int32_t y) {
    plat::SurfaceLock lock{};
    if (bitmap.pixels == nullptr || !plat::surfaceLock(surface, &lock)) {
        return false;
    }
    // Rows run on at the sheet's width, so a region that passes the right
    // edge continues on the next row; it must not pass the sheet's end.
    const int64_t sheetWidth = bitmap.infoHeader.biWidth;
    const int64_t sheetBytes = sheetWidth * bitmap.infoHeader.biHeight;
    const int64_t first = (int64_t(y) + 1) * sheetWidth + (int64_t(x) + 1);
    const int64_t last = first + (int64_t(lock.height) - 1) * sheetWidth + lock.width;
    if (x < -1 || y < -1 || last > sheetBytes) {
        // Every picture is cut from the sprite sheet: one this small is not
        // the game's.
        plat::noteFailure("the pictures do not fit in", kSheetPath,
                          std::to_string(sheetWidth) + " x " +
                              std::to_string(bitmap.infoHeader.biHeight) +
                              " pixels is too small a sprite sheet");
        plat::surfaceUnlock(surface);
        return false;
    }
    const uint8_t* source = bitmap.pixels + first;
    uint8_t* target = lock.pixels;
    for (int32_t row = 0; row < lock.height; ++row) {
        std::memcpy(target, source, size_t(lock.width));
        target += lock.pitch;
        source += sheetWidth;
    }
    plat::surfaceUnlock(surface);
    return true;
}

bool clearSurface(plat::Surface* surface, uint32_t colourIndex) {
    return plat::surfaceFill(surface, uint8_t(colourIndex));
}

bool drawPicture(Picture picture, int32_t x, int32_t y, int32_t width, int32_t height,
                 plat::Surface* target, bool useColourKey) {
    const plat::ExclusiveRect to{x, y, x + width - 1, y + height - 1};
    const plat::ExclusiveRect from{0, 0, width - 1, height - 1};
    return plat::surfaceBlit(target, &to, picture, &from, useColourKey);
}

bool drawText(plat::Surface* target, const char* text, int32_t x, int32_t y, uint32_t colour) {
    return plat::textDraw(target, text, x, y, colour);
}
