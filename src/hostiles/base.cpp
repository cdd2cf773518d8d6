#include "hostiles/base.h"

#include "graphics/sheet.h"
#include "hostiles/plants.h"
#include "platform/input.h"
#include "player/ship.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "sound/effects.h"

int32_t baseIntact = 0;
Picture* baseFrames = nullptr;
Rect baseSteps[kBaseStepCount] = {};
Explosion baseExplosion = {};

namespace {

constexpr Rect kBaseSteps[kBaseStepCount] = {
    {168, 464, 471, 479}, {168, 448, 471, 463}, {184, 432, 455, 447},
    {200, 416, 439, 431}, {216, 400, 423, 415}, {248, 384, 391, 399},
};

// The ring of cells around the base's outline, from its bottom left over
// its top to its bottom right.
constexpr int32_t kRingCells[kRingCellCount][2] = {
    {152, 464}, {152, 448}, {168, 432}, {184, 416}, {200, 400}, {216, 384}, {232, 384}, {248, 368},
    {264, 368}, {280, 368}, {296, 368}, {312, 368}, {328, 368}, {344, 368}, {360, 368}, {376, 368},
    {392, 384}, {408, 384}, {424, 400}, {440, 416}, {456, 432}, {472, 448}, {472, 464},
};

} // namespace

bool loadBase() {
    baseIntact = 1;
    static const SheetBlock block{kBaseFrameCount, sheetLayout::kBaseWidth,
                                  sheetLayout::kBaseHeight, sheetLayout::baseOrigin};
    Picture** const tables[] = {&baseFrames};
    if (!cutSheetPictures(block, tables, 1)) {
        return false;
    }
    for (int32_t i = 0; i < kBaseStepCount; ++i) {
        baseSteps[i] = kBaseSteps[i];
    }
    for (int32_t i = 0; i < kRingCellCount; ++i) {
        baseRing[i] = {kFreeRingCell, kFreeRingCell, kRingCells[i][0], kRingCells[i][1]};
    }
    return true;
}

bool loadBaseExplosion() {
    baseExplosion.active = 0;
    baseExplosion.x = kBaseFallX;
    baseExplosion.y = kBaseFallY;
    static const SheetBlock block{kBaseFallFrameCount, sheetLayout::kBaseFallWidth,
                                  sheetLayout::kBaseFallHeight, sheetLayout::baseFallOrigin};
    Picture** const tables[] = {&baseExplosion.frames};
    return cutSheetPictures(block, tables, 1);
}

bool drawBase() {
    return drawPicture(baseFrames[baseIntact != 0 ? 0 : 1], kBaseX, kBaseY, sheetLayout::kBaseWidth,
                       sheetLayout::kBaseHeight, backBuffer, true);
}

bool drawBaseExplosion() {
    if (baseExplosion.active == 0) {
        return true;
    }
    if (!drawPicture(baseExplosion.frames[baseExplosion.frame], baseExplosion.x, baseExplosion.y,
                     sheetLayout::kBaseFallWidth, sheetLayout::kBaseFallHeight, backBuffer, true)) {
        return false;
    }
    baseExplosion.frame += 1;
    if (baseExplosion.frame > kBaseFallFrameCount - 1) {
        baseExplosion.active = 0;
    }
    return true;
}

void destroyBase() {
    baseExplosion.active = 1;
    baseExplosion.frame = 0;
    baseExplosion.x = kBaseFallX;
    baseExplosion.y = kBaseFallY;
    baseIntact = 0;
    clearAllPlants();
    startEffect(SoundExplosion);
    ship.state = ShipGameOver;
    gameOverTime = plat::tickCount();
}
