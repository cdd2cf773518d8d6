// The page's read-only test hook: a few facts of the game's state as one
// JSON line, read by the browser test between two turns of the game.
#include "hostiles/plants.h"
#include "hostiles/spores.h"
#include "platform/web/web_internal.h"
#include "player/ship.h"
#include "shell/frame.h"
#include "shell/screens.h"
#include "shell/status.h"
#include "sound/wave.h"

#include "platform/input.h"

#include <emscripten/emscripten.h>

#include <string>

extern "C" EMSCRIPTEN_KEEPALIVE const char* qv_state_line() {
    static std::string line;
    // The effect slots whose voices started since the last reading.
    std::string effects;
    int count = 0;
    const void* const* started = plat::web::testing::takeVoiceStarts(&count);
    for (int i = 0; i < count; ++i) {
        int slot = -1;
        for (int s = 0; s < kSoundBufferSlots; ++s) {
            if (soundBuffers[s] == started[i]) {
                slot = s;
            }
        }
        effects += (effects.empty() ? "" : ",") + std::to_string(slot);
    }
    int activePlants = 0;
    for (const Plant& plant : plants) {
        activePlants += plant.active != 0 ? 1 : 0;
    }
    int activeSpores = 0;
    for (const Spore& spore : spores) {
        activeSpores += spore.active != 0 ? 1 : 0;
    }
    line = "{\"tick\":" + std::to_string(plat::tickCount()) +
           ",\"quit\":" + (quitRequested ? "true" : "false") +
           ",\"titles\":" + std::to_string(titleScreensShown) +
           ",\"score\":" + std::to_string(score) + ",\"shipsLeft\":" + std::to_string(shipsLeft) +
           ",\"ship\":{\"state\":" + std::to_string(ship.state) +
           ",\"angle\":" + std::to_string(ship.angle) + ",\"x\":" + std::to_string(ship.x) +
           ",\"y\":" + std::to_string(ship.y) + "},\"plants\":" + std::to_string(activePlants) +
           ",\"spores\":" + std::to_string(activeSpores) + ",\"effects\":[" + effects + "]}";
    return line.c_str();
}
