#include "shell/devices.h"

#include "graphics/bitmap.h"
#include "graphics/sheet.h"
#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/audio.h"
#include "platform/report.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/status.h"
#include "sound/wave.h"

#include <cstring>
#include <string>
#include <vector>

bool displayOpened = false;
plat::Surface* primarySurface = nullptr;
plat::Surface* backBuffer = nullptr;
plat::Palette* palette = nullptr;
plat::Clipper* clipper = nullptr;
bool soundDeviceOpened = false;
Picture titleSurface = nullptr;
plat::PaletteColour paletteEntries[256] = {};

namespace {

constexpr uint8_t kPaletteNoCollapse = 4;

// The picture tables of the game's objects, in the order they are given
// back: the ship first.
void releaseSpritePictures() {
    releasePictureTable(ship.frames);
    releasePictureTable(baseFrames);
    releasePictureTable(sower.frames);
    for (Shot& shot : shots) {
        releasePictureTable(shot.frames);
    }
    for (Plant& plant : plants) {
        releasePictureTable(plant.frames);
    }
    for (Spore& spore : spores) {
        releasePictureTable(spore.frames);
    }
    for (Explosion& explosion : explosions) {
        releasePictureTable(explosion.frames);
    }
    releasePictureTable(baseExplosion.frames);
    // Any table an object no longer names goes too.
    releaseAllPictureTables();
}

} // namespace

bool initDevices() {
    if (!plat::displayOpen()) {
        const std::string why = plat::backendError();
        plat::noteFailure("cannot open the display", nullptr,
                          why.empty() ? "no desktop to show the game on" : why);
        return false;
    }
    displayOpened = true;

    primarySurface = plat::displayPrimary();
    backBuffer = plat::displayBackBuffer();
    if (primarySurface == nullptr || backBuffer == nullptr) {
        plat::noteFailure("the display gave no screen to draw on");
        return false;
    }

    paletteEntries[0] = {0, 0, 0, kPaletteNoCollapse};
    paletteEntries[255] = {255, 255, 255, kPaletteNoCollapse};
    palette = plat::paletteCreate(paletteEntries);
    if (palette == nullptr) {
        plat::noteFailure("the display refused a palette");
        return false;
    }

    // The sheet's pixels are freed on every way out from here.
    LoadedSheet sheet;
    if (!readSheet(sheet)) {
        return false;
    }
    // Entries 0 to 254 take the sheet's colours; 255 stays white, the colour
    // of every text.
    static_assert(sizeof(BitmapPaletteEntry) == sizeof(plat::PaletteColour));
    plat::PaletteColour sheetColours[256];
    std::memcpy(sheetColours, sheet.image.palette, sizeof sheetColours);
    if (!plat::paletteSetEntries(palette, 0, 255, sheetColours) ||
        !plat::surfaceSetPalette(primarySurface, palette)) {
        plat::noteFailure("the display refused the palette of", kSheetPath);
        return false;
    }

    const InclusiveRect wholeScreen{0, 0, plat::kScreenWidth - 1, plat::kScreenHeight - 1};
    if (!setSurfaceClipList(backBuffer, 1, &wholeScreen)) {
        plat::noteFailure("the display refused a clipper");
        return false;
    }

    if (!plat::audioOpen()) {
        plat::noteFailure("cannot open the sound device", nullptr, plat::backendError());
        return false;
    }
    soundDeviceOpened = true;

    titleSurface = createOffscreenSurface(plat::kScreenWidth, plat::kScreenHeight, true);
    if (titleSurface == nullptr) {
        plat::noteFailure("the display refused the title picture");
        return false;
    }
    return copySheetRegion(sheet.image, titleSurface, sheetLayout::kTitle.x, sheetLayout::kTitle.y);
}

bool setSurfaceClipList(plat::Surface* surface, int32_t count, const InclusiveRect* rectangles) {
    clipper = plat::clipperCreate();
    if (clipper == nullptr || count < 0) {
        return false;
    }
    // The rectangles go to the display unchanged: it reads their right and
    // bottom edges as exclusive, so {0, 0, 639, 479} clips to columns 0..638
    // and rows 0..478.
    std::vector<plat::ExclusiveRect> region(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        region[size_t(i)] = {rectangles[i].left, rectangles[i].top, rectangles[i].right,
                             rectangles[i].bottom};
    }
    return plat::clipperSetList(clipper, count, region.data()) &&
           plat::surfaceSetClipper(surface, clipper);
}

void releaseDevices() {
    // Every picture goes with the display: the sprite sets first, in the
    // order of the game's objects, then the two full-screen pictures.
    releaseSpritePictures();
    plat::surfaceRelease(backgroundSurface);
    backgroundSurface = nullptr;
    plat::surfaceRelease(titleSurface);
    titleSurface = nullptr;

    if (clipper != nullptr) {
        plat::clipperRelease(clipper);
        clipper = nullptr;
    }
    if (palette != nullptr) {
        plat::paletteRelease(palette);
        palette = nullptr;
    }
    backBuffer = nullptr;
    primarySurface = nullptr;
    if (displayOpened) {
        plat::displayClose();
        displayOpened = false;
    }

    releaseSoundBuffers();
    if (soundDeviceOpened) {
        plat::audioClose();
        soundDeviceOpened = false;
    }
}
