// The page's read-only test hook: the game's state line, as the simulator
// writes it (its fields from the description of the program's state), with
// the tick counter and the effect slots whose voices started since the last
// reading. The browser test reads it between two turns of the game.
#include "state_line.h"

#include "platform/input.h"
#include "platform/web/web_internal.h"
#include "sound/wave.h"

#include <emscripten/emscripten.h>

#include <string>

extern "C" EMSCRIPTEN_KEEPALIVE const char* qv_state_line() {
    static std::string text;
    nlohmann::json line;
    line["tick"] = plat::tickCount();
    sim::StateLine fields(line);
    visitProgramState(fields);
    nlohmann::json effects = nlohmann::json::array();
    int count = 0;
    const void* const* started = plat::web::testing::takeVoiceStarts(&count);
    for (int i = 0; i < count; ++i) {
        int slot = -1;
        for (int s = 0; s < kSoundBufferSlots; ++s) {
            if (soundBuffers[s] == started[i]) {
                slot = s;
            }
        }
        effects.push_back(slot);
    }
    line["effects"] = effects;
    text = line.dump();
    return text.c_str();
}
