// The contract's driver for the web backend, compiled to WebAssembly and run
// under node with a stand-in for the page (web_page_stand_in.js): the clock
// moves when told, keys are held by mask, and the picture is the one the
// backend handed the page for its canvas.
#include "driver.h"

#include "platform/input.h"

#include <emscripten/emscripten.h>

namespace contract {

namespace {

EM_JS(void, standInPassTime, (double ms), { Module['qvPage'].standIn.passTime(ms); });
EM_JS(void, standInSetKeys, (uint32_t mask), { Module['qvPage'].standIn.setKeys(mask); });
EM_JS(int, standInPlayerSounding, (),
      { return Module['qvPage'].standIn.playerSounding() ? 1 : 0; });
// Copies the shown picture's 640x480 RGBA bytes to rgba; 0 when none was shown.
EM_JS(int, standInShown, (uint8_t * rgba), {
    const shown = Module['qvPage'].standIn.shown();
    if (!shown) {
        return 0;
    }
    HEAPU8.set(shown, rgba);
    return 1;
});

EM_JS(int, standInLater, (double ms, int what),
      { return Module['qvPage'].standIn.later(ms, what); });
EM_JS(int, standInSeen, (int id), { return Module['qvPage'].standIn.seen(id); });
EM_JS(void, standInReset, (), { Module['qvPage'].standIn.reset(); });

uint32_t keysHeld = 0;

} // namespace

void begin() {
    keysHeld = 0;
    standInSetKeys(0);
    standInReset();
}

void end() {
    begin();
}

uint32_t slackMs() {
    return 1;
}

// The page's clock only goes forward: it moves on to where the tick counter
// reads tick.
bool startClockAt(uint32_t tick) {
    standInPassTime(double(uint32_t(tick - plat::tickCount())));
    return true;
}

void passTime(uint32_t milliseconds) {
    standInPassTime(milliseconds);
}

// The page's sound is played alongside; every voice is timed on the tick
// counter.
bool soundDevice(bool device) {
    return !device;
}

void nextTick() {
    passTime(1);
}

int later(uint32_t ms, Happening what) {
    return standInLater(double(ms), int(what));
}

Seen seen(int happening) {
    const int bits = standInSeen(happening);
    return Seen{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
}

bool pressKey(plat::Key key, bool down) {
    const uint32_t bit = 1u << unsigned(key);
    keysHeld = down ? keysHeld | bit : keysHeld & ~bit;
    standInSetKeys(keysHeld);
    return true;
}

bool shownPicture(std::vector<uint32_t>* rgb) {
    std::vector<uint8_t> rgba(size_t(640) * 480 * 4);
    if (standInShown(rgba.data()) == 0) {
        return false;
    }
    rgb->resize(size_t(640) * 480);
    for (size_t i = 0; i < rgb->size(); ++i) {
        (*rgb)[i] = uint32_t(rgba[4 * i]) << 16 | uint32_t(rgba[4 * i + 1]) << 8 | rgba[4 * i + 2];
    }
    return true;
}

bool playerSounding() {
    return standInPlayerSounding() != 0;
}

} // namespace contract
