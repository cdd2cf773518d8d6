// A pilot for the simulator: it reads the game's state at the start of each
// frame and holds the keys a player would, so that games can be played on
// the headless backend and recorded. Its play changes with the goals of each
// phase: shooting spores, plants, the sower or the base, ramming the sower,
// leaning on the base, crashing into a plant.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum Goal : uint32_t {
    GoalSpores = 1u << 0,
    GoalPlants = 1u << 1,
    GoalSower = 1u << 2,
    GoalRam = 1u << 3,
    GoalBase = 1u << 4,
    GoalPush = 1u << 5,
    GoalCrash = 1u << 6,
};

// From frame `from` on, the pilot pursues these goals.
struct PilotPhase {
    uint64_t from;
    uint32_t goals;
};

// Reads "FRAME:goal+goal,FRAME:goal..." (goals: spores plants sower ram
// base push crash idle). Fills error and returns nothing on a bad plan.
std::optional<std::vector<PilotPhase>> parsePilotPlan(const std::string& text, std::string& error);

// The keys to hold (a bit per key, as the headless backend takes them) for
// the frame about to start.
uint32_t pilotKeys(const std::vector<PilotPhase>& plan, uint64_t frame);

} // namespace sim
