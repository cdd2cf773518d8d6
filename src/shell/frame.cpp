#include "shell/frame.h"

#include "graphics/drawing.h"
#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/window.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/screens.h"
#include "shell/status.h"
#include "sound/effects.h"

bool quitRequested = false;
uint32_t frameStartTime = 0;
uint32_t gameOverTime = 0;
uint32_t respawnTime = 0;
int32_t spawnDelayShift = 0;
bool gameOverJingleRequested = false;

namespace {

constexpr const char* kGameOverText = "Vous avez perdu !";

// Each row whose score the game has passed writes its values; the last such
// row wins. A value of -1 leaves the spores' speed as it is.
struct DifficultyRow {
    int32_t scoreAbove;
    int32_t spawnShift;
    int32_t speed;
};
constexpr DifficultyRow kDifficulty[] = {
    {5000, 2, -1},   {10000, 4, 2},  {15000, 6, -1},  {25000, 8, 3},
    {35000, 10, -1}, {50000, 12, 4}, {100000, 14, 5},
};

// Every step of the game, in drawing order: each draws over the ones
// before it, and the panel's numbers lie on top.
bool runGameSteps() {
    return drawBase() && updateShip() && updateShots() && updateSower() && updateSpores() &&
           updatePlants() && drawExplosions() && drawBaseExplosion() && drawStatusPanel();
}

} // namespace

void updateDifficulty() {
    for (const DifficultyRow& row : kDifficulty) {
        if (score > row.scoreAbove) {
            spawnDelayShift = row.spawnShift;
            if (row.speed != -1) {
                sporeSpeed = row.speed;
            }
        }
    }
}

bool gameFrame() {
    if (quitRequested) {
        return true;
    }
    if (plat::keyDown(plat::Key::Escape)) {
        // The window is gone and the quit message posted when this returns;
        // the rest of this frame still runs.
        plat::sendMessage(mainWindow, plat::MessageClose, 0, 0);
        quitRequested = true;
    }
    frameStartTime = plat::tickCount();

    // A refused clear does not fail the frame: the background covers the
    // whole screen next, and its own draw fails when the display is gone.
    clearSurface(backBuffer, 0);
    if (!drawPicture(backgroundSurface, screenRect.left, screenRect.top, plat::kScreenWidth,
                     plat::kScreenHeight, backBuffer, false)) {
        return false;
    }
    if (!runGameSteps()) {
        return false;
    }

    if (ship.state == ShipGameOver) {
        const int32_t x = screenRect.left + (screenRect.right - screenRect.left) / 3;
        const int32_t y = screenRect.top + (screenRect.bottom - screenRect.top) / 2;
        if (!drawText(backBuffer, kGameOverText, x, y, kTextWhite)) {
            return false;
        }
        // The jingle is asked for once per game over: asking again would
        // start it over on every frame.
        if (!gameOverJingleRequested) {
            playGameOverJingle();
            gameOverJingleRequested = true;
        }
        if (uint32_t(plat::tickCount() - gameOverTime) > kGameOverShowMs) {
            // This frame is not shown: the title screen takes the display.
            return titleScreen();
        }
    } else {
        gameOverJingleRequested = false;
    }

    if (ship.state == ShipRespawning &&
        uint32_t(plat::tickCount() - respawnTime) > kRespawnWaitMs) {
        ship.state = ShipFlying;
    }

    updateDifficulty();

    // A flip is refused only when the display is gone; the frame then fails
    // as a failed drawing step does.
    if (!plat::displayFlip()) {
        return false;
    }
    while (uint32_t(plat::tickCount() - frameStartTime) < kFramePeriodMs) {
        plat::idleUntil(frameStartTime + kFramePeriodMs);
    }
    return true;
}
