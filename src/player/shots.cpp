#include "player/shots.h"

#include "graphics/sheet.h"
#include "platform/input.h"
#include "player/hits.h"
#include "player/ship.h"
#include "shell/devices.h"
#include "shell/status.h"
#include "sound/effects.h"

Shot shots[kShotCount] = {};
uint32_t lastShotTime = 0;

namespace {

constexpr double kShotSpeed = 10.0;
constexpr int32_t kShotSize = sheetLayout::kShotSize;

CutOrigin shotOrigin(int32_t) {
    return sheetLayout::kShot;
}

} // namespace

bool loadShots() {
    static const SheetBlock shotBlock{1, kShotSize, kShotSize, shotOrigin};
    for (Shot& shot : shots) {
        shot.active = 0;
        shot.speed = kShotSpeed;
        shot.vx = 0;
        shot.vy = 0;
        Picture** const tables[] = {&shot.frames};
        if (!cutSheetPictures(shotBlock, tables, 1)) {
            return false;
        }
        shot.box = {-4, -4, 4, 4};
    }
    return true;
}

void fireShot() {
    if (!plat::keyDown(plat::Key::Space) ||
        uint32_t(plat::tickCount() - lastShotTime) < kShotIntervalMs) {
        return;
    }
    // Every accepted trigger restarts the wait, even one that finds all four
    // shots still in flight.
    lastShotTime = plat::tickCount();
    for (Shot& shot : shots) {
        if (shot.active == 0) {
            shot.active = 1;
            shot.x = ship.muzzleX;
            shot.y = ship.muzzleY;
            const Step step = stepFor(ship.angle, shot.speed);
            shot.vx = step.x;
            shot.vy = step.y;
            startEffect(SoundLaser);
            return;
        }
    }
}

bool updateShots() {
    for (Shot& shot : shots) {
        if (shot.active == 0) {
            continue;
        }
        // 1. Fly.
        shot.x += shot.vx;
        shot.y += shot.vy;
        // 2. A centre off the screen ends the shot, but it still tests and
        //    shows once where it ended.
        if (shot.y < screenRect.top || shot.y > screenRect.bottom - 8 || shot.x < screenRect.left ||
            shot.x > screenRect.right) {
            shot.active = 0;
        }
        // 3. The shot's rectangle for this frame, and 4. everything it hits.
        const Rect shotRect = rectAt(shot.box, shot.x, shot.y);
        runShotHitTests(shot, shotRect);
        // 5. Draw.
        if (!drawPicture(shot.frames[0], shot.x - 4, shot.y - 4, kShotSize, kShotSize, backBuffer,
                         true)) {
            return false;
        }
    }
    return true;
}
