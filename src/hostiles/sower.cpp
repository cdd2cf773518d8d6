#include "hostiles/sower.h"

#include "graphics/sheet.h"
#include "hostiles/random.h"
#include "platform/input.h"
#include "shell/devices.h"
#include "shell/status.h"

Sower sower = {};
uint32_t sowerTurnTime = 0;
uint32_t sowerTurnDelay = 0;
uint32_t sowerGoneTime = 0;
uint32_t sowerReturnDelay = 0;
int32_t sowerHits = 0;

namespace {

constexpr uint32_t kAwayMs = 20000;
constexpr int32_t kFlightY = 48;
constexpr int32_t kSize = sheetLayout::kSowerSize;

// 3000 to 12999 ms until the next turn.
uint32_t nextTurnDelay() {
    return uint32_t(3000 + randomBelow(10000));
}

} // namespace

bool loadSower() {
    sower.active = 0;
    sower.vy = 0;
    sower.box = {-24, -24, 24, 24};
    sowerTurnTime = 0;
    sowerGoneTime = 0;
    sowerReturnDelay = kAwayMs;
    static const SheetBlock block{kSowerFrameCount, kSize, kSize, sheetLayout::sowerOrigin};
    Picture** const tables[] = {&sower.frames};
    return cutSheetPictures(block, tables, 1);
}

bool updateSower() {
    // The time tests compare a shifted tick with the stored one, each side
    // an unsigned 32-bit value.
    if (sower.active == 1) {
        const uint32_t now = plat::tickCount();
        if (uint32_t(now - sowerTurnDelay) > sowerTurnTime) {
            sower.vx = -sower.vx;
            sowerTurnDelay = nextTurnDelay();
            sowerTurnTime = now;
        }
        sower.x += sower.vx;
        if (sower.y < screenRect.top || sower.y > screenRect.bottom - 8 ||
            sower.x < screenRect.left || sower.x > screenRect.right) {
            sower.active = 0;
            sowerGoneTime = plat::tickCount();
        }
    }
    if (sower.active != 1 && score >= kSowerScore) {
        const uint32_t now = plat::tickCount();
        if (uint32_t(now - sowerReturnDelay) > sowerGoneTime) {
            // It enters at the left edge heading right, 1 to 4 pixels a frame.
            sower.active = 1;
            sower.x = 0;
            sower.y = kFlightY;
            sower.vx = randomBelow(4) + 1;
            sower.frame = 0;
            sowerHits = 0;
            sowerTurnDelay = nextTurnDelay();
            sowerTurnTime = now;
        }
    }
    if (sower.active == 1) {
        if (!drawPicture(sower.frames[sower.frame], sower.x - kSize / 2, sower.y - kSize / 2, kSize,
                         kSize, backBuffer, true)) {
            return false;
        }
        sower.frame += 1;
        if (sower.frame > kSowerFrameCount - 1) {
            sower.frame = 0;
        }
    }
    return true;
}
