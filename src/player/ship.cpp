#include "player/ship.h"

#include "graphics/sheet.h"
#include "platform/input.h"
#include "player/hits.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/status.h"

#include <cmath>

Ship ship = {};
int32_t shipBlinkPhase = 0;

namespace {

// The ship's headings are worked out with this shortened pi, carried at
// extended precision: at 90, 180 and 270 degrees the whole steps fall just
// short and cut one lower, so the ship moves 5 pixels to the left but 4 in
// the other three directions.
constexpr long double kPi = 3.14159265L;
constexpr int32_t kStartY = 259;
constexpr double kStartAngle = 90.0;
constexpr double kShipSpeed = 5.0;
constexpr double kMuzzleDistance = 20.0;
constexpr int32_t kShipSize = sheetLayout::kShipSize;

// The angle in radians is rounded to a double; its cosine and sine are then
// taken, and used, at extended precision.
long double radiansOf(double angle) {
    return (long double)double((1.0L / 180.0L * kPi) * (long double)angle);
}

void turnTo(double angle) {
    ship.angle = angle;
    aimMuzzle();
    const Step step = stepFor(ship.angle, ship.speed);
    ship.vx = step.x;
    ship.vy = step.y;
}

bool drawShip() {
    ship.frame = int32_t(ship.angle * 0.2);
    return drawPicture(ship.frames[ship.frame], ship.x - 24, ship.y - 24, kShipSize, kShipSize,
                       backBuffer, true);
}

} // namespace

void aimMuzzle() {
    const long double theta = radiansOf(ship.angle);
    ship.muzzleX = int32_t((long double)ship.x - (long double)ship.muzzleDistance * cosl(theta));
    ship.muzzleY = int32_t((long double)ship.y - (long double)ship.muzzleDistance * sinl(theta));
}

Step stepFor(double angle, double magnitude) {
    const long double theta = radiansOf(angle);
    const long double x = -cosl(theta) * (long double)magnitude;
    const long double y = -sinl(theta) * (long double)magnitude;
    return {int32_t(x), int32_t(y)};
}

bool loadShip() {
    ship.state = ShipFlying;
    ship.x = screenRect.right / 2;
    ship.y = kStartY;
    ship.speed = kShipSpeed;
    ship.angle = kStartAngle;
    ship.muzzleDistance = kMuzzleDistance;
    const Step step = stepFor(ship.angle, ship.speed);
    ship.vx = step.x;
    ship.vy = step.y;
    ship.muzzleX = ship.x;
    ship.muzzleY = ship.y - 20;
    shipBlinkPhase = 0;

    static const SheetBlock shipBlock{kShipFrameCount, kShipSize, kShipSize,
                                      sheetLayout::shipOrigin};
    Picture** const tables[] = {&ship.frames};
    if (!cutSheetPictures(shipBlock, tables, 1)) {
        return false;
    }
    ship.box = {-20, -20, 20, 20};
    return true;
}

bool updateShip() {
    if (ship.state == ShipGameOver) {
        return true;
    }
    if (ship.state == ShipRespawning) {
        // No keys while waiting; the ship shows on every second frame.
        if (shipBlinkPhase != 0) {
            if (!drawShip()) {
                return false;
            }
            shipBlinkPhase = 0;
        } else {
            shipBlinkPhase = 1;
        }
        return true;
    }

    // Each key on its own, so any combination applies in the same frame.
    if (plat::keyDown(plat::Key::Left)) {
        double angle = ship.angle - 5;
        if (angle == 360) {
            angle = 0;
        }
        if (angle < 0) {
            angle += 360;
        }
        turnTo(angle);
    }
    if (plat::keyDown(plat::Key::Right)) {
        double angle = ship.angle + 5;
        if (angle >= 360) {
            angle -= 360;
        }
        if (angle == 360) {
            angle = 0;
        }
        turnTo(angle);
    }
    if (plat::keyDown(plat::Key::Up)) {
        ship.x += ship.vx;
        ship.y += ship.vy;
        aimMuzzle();
    }
    if (plat::keyDown(plat::Key::Down)) {
        ship.x -= ship.vx;
        ship.y -= ship.vy;
        aimMuzzle();
    }
    // The trigger fires along the heading just set, from the muzzle just
    // moved; the clamp below does not move the muzzle.
    fireShot();

    // The centre stays on the screen; half the picture may leave it.
    if (ship.x < screenRect.left) {
        ship.x = screenRect.left;
    }
    if (ship.x > screenRect.right) {
        ship.x = screenRect.right;
    }
    if (ship.y < screenRect.top) {
        ship.y = screenRect.top;
    }
    if (ship.y > screenRect.bottom) {
        ship.y = screenRect.bottom;
    }

    // One rectangle for every test of this frame, even after a test has
    // cost a ship or pushed the ship back.
    const Rect shipRect = rectAt(ship.box, ship.x, ship.y);
    runShipHitTests(shipRect);

    return drawShip();
}

void loseShip() {
    shipsLeft -= 1;
    // A game already lost stays lost: a spore reaching the wreck after the
    // base has fallen only restarts the game-over wait, even with ships left.
    if (shipsLeft <= 0 || ship.state == ShipGameOver) {
        ship.state = ShipGameOver;
        gameOverTime = plat::tickCount();
        if (shipsLeft < 0) {
            shipsLeft = 0;
        }
    } else {
        ship.state = ShipRespawning;
        ship.x = screenRect.right / 2;
        ship.y = kStartY;
        respawnTime = plat::tickCount();
    }
}
