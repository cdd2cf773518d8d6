#include "hostiles/spores.h"

#include "graphics/sheet.h"
#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/random.h"
#include "hostiles/sower.h"
#include "platform/input.h"
#include "player/ship.h"
#include "shell/devices.h"
#include "shell/status.h"
#include "sound/effects.h"

Spore spores[kSporeCount] = {};
uint32_t sporeSpawnTime = 0;
int32_t sporeSpawnDelay = 0;
int32_t sporeSpeed = kStartSporeSpeed;

namespace {

// The middle of the base: spores that touch a lower step left of it root
// on the left half, the others on the right.
constexpr int32_t kBaseMiddleX = 319;

CutOrigin sporeOrigin(int32_t) {
    return sheetLayout::kSpore;
}

// The plants' grid column for a centre x: the largest 16k + 8 not above x.
int32_t gridColumn(int32_t x) {
    return kCellSize * ((x - 8) / kCellSize) + 8;
}

void launchSpore() {
    for (Spore& spore : spores) {
        if (spore.active != 0) {
            continue;
        }
        spore.active = 1;
        spore.x = randomBelow(640);
        spore.y = screenRect.top - 8;
        // The drift carries spores from the sides toward the middle, and
        // either way in the middle.
        if (spore.x > 480) {
            spore.vx = randomBelow(3) * -1;
        } else if (spore.x >= 160) {
            const int32_t direction = randomBelow(2) == 1 ? 1 : -1;
            spore.vx = randomBelow(3) * direction;
        } else {
            spore.vx = randomBelow(3);
        }
        spore.vy = sporeSpeed;
        // Under the sower, the spore drops from its lower edge.
        if (sower.active == 1) {
            spore.x = sower.x;
            spore.y = sower.y + 24;
        }
        return;
    }
}

// Flight and tests of one spore in the air; false when drawing failed.
bool flySpore(Spore& spore) {
    // 1. Move.
    spore.x += spore.vx;
    spore.y += spore.vy;
    const Rect sporeRect = rectAt(spore.box, spore.x, spore.y);

    // 2. A living plant cell absorbs the spore.
    for (const Plant& plant : plants) {
        if (plant.active == 0) {
            continue;
        }
        for (const PlantSegment& segment : plant.segments) {
            if (segment.alive != 0 && rectsOverlap(segment.box, sporeRect)) {
                spore.active = 0;
                break;
            }
        }
    }

    // 3. Against the base it takes root beside the step it touched.
    for (int32_t i = kBaseStepCount - 1; i >= 0; --i) {
        if (rectsOverlap(baseSteps[i], sporeRect)) {
            spore.active = 0;
            if (seedPlant(baseSeedBox(i, spore.x)) != -1) {
                startEffect(SoundMetamorphosis);
            }
        }
    }

    // 4. Past a side of the screen it is lost.
    if (spore.x > screenRect.right - 8 || spore.x < screenRect.left + 8) {
        spore.active = 0;
    }

    // 5. On the ground it takes root, silently.
    if (spore.y > screenRect.bottom - 8 && spore.active != 0) {
        spore.active = 0;
        seedPlant(groundSeedBox(spore.x));
    }

    // 6. Reaching the ship costs a ship, whatever the ship is doing.
    if (rectsOverlap(sporeRect, rectAt(ship.box, ship.x, ship.y))) {
        spore.active = 0;
        if (startExplosion(ship.x, ship.y)) {
            startEffect(SoundExplosion);
        }
        loseShip();
    }

    // 7. Draw, also in the frame in which it ended.
    return drawPicture(spore.frames[0], spore.x - 8, spore.y - 8, kSporeSize, kSporeSize,
                       backBuffer, true);
}

} // namespace

Rect baseSeedBox(int32_t step, int32_t x) {
    if (step == kBaseStepCount - 1) {
        const int32_t left = gridColumn(x);
        const int32_t top = baseSteps[step].top - kCellSize;
        return {left, top, left + 15, baseSteps[step].top - 1};
    }
    const Rect& above = baseSteps[step + 1];
    if (x < kBaseMiddleX) {
        return {above.left - kCellSize, above.top, above.left - 1, above.bottom};
    }
    return {above.right + 1, above.top, above.right + kCellSize, above.bottom};
}

Rect groundSeedBox(int32_t x) {
    const int32_t left = gridColumn(x);
    return {left, screenRect.bottom - 15, left + 15, screenRect.bottom};
}

bool loadSpores() {
    static const SheetBlock block{1, kSporeSize, kSporeSize, sporeOrigin};
    for (Spore& spore : spores) {
        spore.active = 0;
        spore.vx = 0;
        spore.vy = 0;
        spore.box = {-8, -8, 8, 8};
        Picture** const tables[] = {&spore.frames};
        if (!cutSheetPictures(block, tables, 1)) {
            return false;
        }
    }
    sporeSpeed = kStartSporeSpeed;
    return true;
}

bool updateSpores() {
    if (uint32_t(plat::tickCount() - sporeSpawnTime) > uint32_t(sporeSpawnDelay)) {
        // With all three in the air no spore comes, but the wait starts anew.
        launchSpore();
        sporeSpawnDelay = nextSpawnDelay();
        sporeSpawnTime = plat::tickCount();
    }
    for (Spore& spore : spores) {
        if (spore.active != 0 && !flySpore(spore)) {
            return false;
        }
    }
    return true;
}
