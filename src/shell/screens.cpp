#include "shell/screens.h"

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
#include "shell/frame.h"
#include "shell/status.h"
#include "sound/effects.h"
#include "sound/wave.h"

#include <cstddef>

int titleScreensShown = 0;

namespace {

struct ScreenText {
    const char* text;
    int32_t x;
    int32_t y;
};

// The texts are Windows-1252 bytes: \xE9 is "é", \xE8 "è", \xE0 "à".
constexpr ScreenText kTitleTexts[] = {
    {"Presser [Entrer] pour d\xE9"
     "marrer le jeu",
     160, 210},
    {"Presser [F3] pour afficher les commandes du jeu", 160, 235},
    {"Presser [Echappe] pour terminer le jeu", 160, 260},
};

constexpr ScreenText kControlsTexts[] = {
    {"Fl\xE8"
     "che du haut : d\xE9"
     "placement vertical vers le haut",
     160, 160},
    {"Fl\xE8"
     "che du bas : d\xE9"
     "placement vertical vers le bas",
     160, 185},
    {"Fl\xE8"
     "che du gauche : rotation \xE0 gauche",
     160, 210},
    {"Fl\xE8"
     "che du droite : rotation \xE0 droite",
     160, 235},
    {"Barre espace : tir", 160, 260},
    {"Presser [F4] pour sortir", 160, 360},
};

template <std::size_t N> bool drawTexts(const ScreenText (&texts)[N]) {
    for (const ScreenText& line : texts) {
        if (!drawText(backBuffer, line.text, line.x, line.y, kTextWhite)) {
            return false;
        }
    }
    return true;
}

bool drawTitle() {
    return drawPicture(titleSurface, screenRect.left, screenRect.top, plat::kScreenWidth,
                       plat::kScreenHeight, backBuffer, false) &&
           drawTexts(kTitleTexts);
}

} // namespace

bool titleScreen() {
    ++titleScreensShown;
    // The screen goes black at once. A refused clear does not fail the
    // screen: the title picture covers it next, and its draw fails when the
    // display is gone.
    clearSurface(backBuffer, 0);
    clearSurface(primarySurface, 0);
    if (!drawTitle() || !plat::displayFlip()) {
        return false;
    }
    playTitleMusic();

    for (;;) {
        if (plat::keyDown(plat::Key::Enter)) {
            break;
        }
        bool acted = false;
        if (plat::keyDown(plat::Key::F3)) {
            if (!controlsScreen()) {
                return false;
            }
            acted = true;
        }
        if (plat::keyDown(plat::Key::Escape)) {
            plat::sendMessage(mainWindow, plat::MessageClose, 0, 0);
            quitRequested = true;
            return true;
        }
        if (!acted) {
            plat::waitForInput();
        }
    }
    return startNewGame();
}

bool controlsScreen() {
    if (!drawPicture(titleSurface, screenRect.left, screenRect.top, plat::kScreenWidth,
                     plat::kScreenHeight, backBuffer, false) ||
        !drawTexts(kControlsTexts) || !plat::displayFlip()) {
        return false;
    }
    // Only F4 leaves; a close request from the desktop leaves too, and the
    // title screen then sees it as Esc.
    while (!plat::keyDown(plat::Key::F4) && !plat::closeRequested()) {
        plat::waitForInput();
    }
    return drawTitle() && plat::displayFlip();
}

bool startNewGame() {
    return initBackgroundAndCounters() && loadBase() && loadShip() && loadShots() && loadSower() &&
           loadSpores() && loadPlants() && loadExplosions() && loadBaseExplosion() && loadSounds();
}
