// The headless simulator: runs the real program from its entry function on,
// with keys held by a script, and writes the game's state after every frame
// and the pictures it showed.
#pragma once

#include "autopilot.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// From a frame's start, or from a moment of the virtual clock, exactly these
// keys are held (a bit per key).
struct ScriptEvent {
    bool atFrame;
    uint64_t mark;
    uint32_t keys;
};

struct Options {
    std::string dataDir;
    std::vector<ScriptEvent> script;
    uint64_t frames = 1000;
    uint32_t startTick = 10000000;
    std::string stateFile;
    std::map<uint64_t, std::string> shots;
    std::string shotsDir;
    // Where to write the keys held on every frame, as a script.
    std::string recordFile;
    // The pilot's goals by frame; empty when the script alone holds keys.
    std::vector<PilotPhase> pilot;
};

// The script line that holds these keys from a mark on: "f12 LEFT SPACE".
std::string scriptLine(char kind, uint64_t mark, uint32_t keys);

// Reads a script: one event a line, "f<N> KEY..." or "t<MS> KEY...", "#"
// starting a comment. Fills error and returns nothing on a bad line.
std::optional<std::vector<ScriptEvent>> parseScript(const std::string& text, std::string& error);

// The game's fields of a state line, as the program holds them now: every
// field the description of the program's state shows.
nlohmann::json gameStateFields();

// Writes a 640x480 picture of palette indices as an indexed PNG. On failure
// nothing is left at path, and why (if given) gets the line that says so.
bool writePng(const std::string& path, const uint8_t* pixels, const uint8_t* paletteRgbx,
              std::string* why = nullptr);

// Runs the program; returns the simulator's exit status: 0 when the frames
// ran, the program quit or a screen waits with no script event left; 1 when
// the game failed.
int run(const Options& options);

} // namespace sim
