// The soak: the real program from its entry function on, on the headless
// backend, with random keys or the keys of a script, checking after every
// frame what must always hold. It stops at the first broken invariant with
// the keys that lead there.
#pragma once

#include "invariants.h"
#include "simulator.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace soak {

struct Options {
    uint64_t frames = 1000000;
    uint64_t seed = 1;
    uint32_t startTick = 10000000;
    // Keys from a script (frame marks only) instead of the generator.
    bool replay = false;
    std::vector<sim::ScriptEvent> script;
    // Where the keys go as they are held, a line at a time, so that a
    // sanitizer's report or a crash leaves them behind; empty for nowhere.
    std::string keysFile;
    // For the tests: runs after each frame, before its checks.
    std::function<void(uint64_t frame)> afterFrame;
    // Called every progressEvery frames, if set.
    uint64_t progressEvery = 0;
    std::function<void(const Stats&)> progress;
};

enum class Outcome {
    // Every frame ran and every invariant held.
    Held,
    // An invariant broke after brokenFrame.
    Broken,
    // A step of the game failed, or the program quit by itself.
    GameFailed,
    // A screen waited for a key that never came (a script without Enter).
    Stalled,
    // The keys file did not take a line (broken holds the one that says
    // so); the file ends after its last whole line.
    WriteFailed,
};

struct Result {
    Outcome outcome = Outcome::Held;
    // Frames run and checked.
    uint64_t frames = 0;
    uint64_t brokenFrame = 0;
    std::vector<std::string> broken;
    // Every change of the keys, from the first title screen (frame 0) on.
    std::vector<sim::ScriptEvent> keys;
    Stats stats;
    // A digest of the game's state after the last frame run.
    uint64_t digest = 0;
};

// Runs the program in the working directory (which holds images/ and
// sons/). The game's state is taken as the program starts it: run it in a
// fresh process, or on a fresh program.
Result run(const Options& options);

// The keys as a script, up to the given frame, with comment lines first.
std::string keyScript(const std::vector<sim::ScriptEvent>& keys, uint64_t lastFrame,
                      const std::string& comment);

// Digest of the game's state: the objects, tables, counters, clock and the
// game's generator.
uint64_t gameDigest();

} // namespace soak
