#include "hostiles/explosions.h"

#include "graphics/sheet.h"
#include "shell/devices.h"

Explosion explosions[kExplosionCount] = {};

namespace {
constexpr int32_t kSize = sheetLayout::kExplosionSize;
} // namespace

bool loadExplosions() {
    static const SheetBlock block{kExplosionFrameCount, kSize, kSize, sheetLayout::explosionOrigin};
    Picture** tables[kExplosionCount];
    for (int32_t i = 0; i < kExplosionCount; ++i) {
        explosions[i].active = 0;
        tables[i] = &explosions[i].frames;
    }
    return cutSheetPictures(block, tables, kExplosionCount);
}

bool startExplosion(int32_t px, int32_t py) {
    for (Explosion& explosion : explosions) {
        if (explosion.active == 0) {
            explosion.active = 1;
            explosion.frame = 0;
            explosion.x = px;
            explosion.y = py;
            return true;
        }
    }
    return false;
}

bool drawExplosions() {
    for (Explosion& explosion : explosions) {
        if (explosion.active == 0) {
            continue;
        }
        if (!drawPicture(explosion.frames[explosion.frame], explosion.x - kSize / 2,
                         explosion.y - kSize / 2, kSize, kSize, backBuffer, true)) {
            return false;
        }
        explosion.frame += 1;
        if (explosion.frame > kExplosionFrameCount - 1) {
            explosion.active = 0;
        }
    }
    return true;
}
