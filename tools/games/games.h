// Recorded games: scripts of keys played through the real program on the
// headless backend, each with the expected digests of every frame's state
// line and of a few presented pictures. A change to the game that alters
// any frame shows up as the first frame that differs and its fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace games {

struct Paths {
    // The simulator binary and the data directory it runs in.
    std::string simulator;
    std::string dataDir;
    // Where the games' files live: NAME.keys and NAME.expect.
    std::string gamesDir;
};

struct Outcome {
    bool ok;
    std::string report;
};

// The names of the recorded games found in the games directory.
std::vector<std::string> recordedGames(const Paths& paths);

// Plays a new game with the simulator's pilot following plan for frames
// frames, keeps its keys as NAME.keys, and records NAME.expect from a
// replay of those keys.
Outcome recordGame(const Paths& paths, const std::string& name, const std::string& plan,
                   uint64_t frames);
// Records NAME.expect anew from the kept keys: for a change of the game's
// rules made on purpose.
Outcome rerecordGame(const Paths& paths, const std::string& name);
// Replays NAME.keys and compares every frame with NAME.expect.
Outcome checkGame(const Paths& paths, const std::string& name);
// The state line of one frame of a replay, for review.
Outcome stateLineOf(const Paths& paths, const std::string& name, uint64_t frame);

// A 32-bit FNV-1a digest, written as 8 hexadecimal digits.
std::string digestOf(const std::string& bytes);

} // namespace games
