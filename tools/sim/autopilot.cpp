#include "autopilot.h"

#include "sim_io.h"

#include "hostiles/base.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/headless/headless.h"
#include "platform/report.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/status.h"

#include <cmath>
#include <map>
#include <sstream>

namespace sim {

namespace {

using plat::Key;

struct Aim {
    double x;
    double y;
    // The rectangle the shots must reach, at the aimed position.
    Rect rect;
    bool fire;
    // Fly into it rather than shoot it.
    bool ram;
    // Wait for the last shot to end before firing again.
    bool patient = false;
};

constexpr double kShotPace = 9.5;

double headingTo(double dx, double dy) {
    // A heading points along (-cos, -sin).
    double degrees = std::atan2(-dy, -dx) * 180.0 / 3.14159265358979;
    if (degrees < 0) {
        degrees += 360.0;
    }
    return degrees;
}

double turnBetween(double from, double to) {
    double diff = std::fmod(to - from + 540.0, 360.0) - 180.0;
    return diff;
}

// Whether a shot launched now would reach target before any base step (or
// leave the screen). Shots that would strike the base are held back unless
// the base is the target.
bool shotWouldReach(const Rect& target, bool baseIsTarget) {
    const Step step = stepFor(ship.angle, 10.0);
    int32_t x = ship.muzzleX;
    int32_t y = ship.muzzleY;
    for (int i = 0; i < 80; ++i) {
        x += step.x;
        y += step.y;
        if (y < 0 || y > 471 || x < 0 || x > 639) {
            return false;
        }
        // A shot tests the base in the same frame as what it hits.
        const Rect shot{x - 4, y - 4, x + 4, y + 4};
        for (const Rect& baseStep : baseSteps) {
            if (rectsOverlap(shot, baseStep)) {
                return baseIsTarget;
            }
        }
        if (rectsOverlap(shot, target)) {
            return true;
        }
    }
    return false;
}

double distanceTo(double x, double y) {
    return std::hypot(x - ship.x, y - ship.y);
}

std::optional<Aim> sporeAim() {
    std::optional<Aim> best;
    double bestDistance = 1e9;
    for (const Spore& spore : spores) {
        if (spore.active == 0 || spore.y < 0) {
            continue;
        }
        const double d = distanceTo(spore.x, spore.y);
        // Lead the spore by the shot's flight time.
        const double t = d / kShotPace;
        const double x = spore.x + spore.vx * t;
        const double y = spore.y + spore.vy * t;
        if (d < bestDistance) {
            bestDistance = d;
            const int32_t ix = int32_t(x);
            const int32_t iy = int32_t(y);
            best = Aim{x, y, {ix - 8, iy - 8, ix + 8, iy + 8}, true, false};
        }
    }
    return best;
}

// The pod of a young plant; the middle of the longer arm of a grown one.
std::optional<Aim> plantAim(bool ram) {
    std::optional<Aim> best;
    double bestDistance = 1e9;
    for (const Plant& plant : plants) {
        if (plant.active == 0) {
            continue;
        }
        int32_t chosen = -1;
        int32_t longest = 0;
        for (int32_t first : {kLeftArmFirst, kRightArmFirst}) {
            int32_t length = 0;
            while (length < kArmLength && plant.segments[first + length].alive != 0) {
                ++length;
            }
            if (length >= 3 && length > longest) {
                longest = length;
                chosen = first + length / 2;
            }
        }
        if (chosen == -1) {
            chosen = 0;
            while (chosen < kPlantSegmentCount && plant.segments[chosen].alive == 0) {
                ++chosen;
            }
            if (chosen == kPlantSegmentCount) {
                continue;
            }
        }
        const Rect& box = plant.segments[chosen].box;
        const double x = box.left + 8;
        const double y = box.top + 8;
        const double d = distanceTo(x, y);
        if (d < bestDistance) {
            bestDistance = d;
            best = Aim{x, y, box, !ram, ram, true};
        }
    }
    return best;
}

std::optional<Aim> sowerAim(bool ram) {
    if (sower.active != 1) {
        return std::nullopt;
    }
    const double d = distanceTo(sower.x, sower.y);
    const double x = sower.x + sower.vx * (ram ? 0.0 : d / kShotPace);
    const int32_t ix = int32_t(x);
    return Aim{x, double(sower.y), {ix - 24, sower.y - 24, ix + 24, sower.y + 24}, !ram, ram};
}

std::optional<Aim> baseAim() {
    const Rect& top = baseSteps[kBaseStepCount - 1];
    return Aim{double(top.left + top.right) / 2, double(top.top + 8), top, true, false};
}

uint32_t bit(Key key) {
    return headless::keyBit(key);
}

// Turns toward the aim, fires when lined up, and keeps the ship around a
// place from which it can see the field.
uint32_t fly(const Aim& aim, bool baseIsTarget) {
    uint32_t keys = 0;
    const double wanted = headingTo(aim.x - ship.x, aim.y - ship.y);
    const double turn = turnBetween(ship.angle, wanted);
    if (turn > 2.5) {
        keys |= bit(Key::Right);
    } else if (turn < -2.5) {
        keys |= bit(Key::Left);
    }
    if (aim.ram) {
        if (std::fabs(turn) < 30.0) {
            keys |= bit(Key::Up);
        }
        return keys;
    }
    // At plants beside the base one shot at a time: a second one would fly
    // on into the base once the first has cut its cell.
    bool shotInFlight = false;
    for (const Shot& shot : shots) {
        shotInFlight = shotInFlight || shot.active != 0;
    }
    const bool patient = aim.patient && shotInFlight;
    if (aim.fire && !patient && std::fabs(turn) <= 10.0 && shotWouldReach(aim.rect, baseIsTarget)) {
        keys |= bit(Key::Space);
    }
    // Back off from what is close, close in on what is far.
    const double d = distanceTo(aim.x, aim.y);
    if (std::fabs(turn) < 20.0) {
        if (d < 90.0) {
            keys |= bit(Key::Down);
        } else if (d > 320.0 && ship.y < 330) {
            keys |= bit(Key::Up);
        }
    }
    return keys;
}

// With nothing to aim at, drift back toward the start point, heading up.
uint32_t patrol() {
    uint32_t keys = 0;
    const double dx = 319.0 - ship.x;
    const double dy = 259.0 - ship.y;
    if (std::hypot(dx, dy) > 30.0) {
        const double wanted = headingTo(dx, dy);
        const double turn = turnBetween(ship.angle, wanted);
        if (turn > 2.5) {
            keys |= bit(Key::Right);
        } else if (turn < -2.5) {
            keys |= bit(Key::Left);
        } else {
            keys |= bit(Key::Up);
        }
    } else {
        const double turn = turnBetween(ship.angle, 90.0);
        if (turn > 2.5) {
            keys |= bit(Key::Right);
        } else if (turn < -2.5) {
            keys |= bit(Key::Left);
        }
    }
    return keys;
}

// Above the top step, back down onto it, then lean left and right.
uint32_t pushOnBase(uint64_t frame) {
    uint32_t keys = 0;
    const double turn = turnBetween(ship.angle, 90.0);
    if (turn > 2.5) {
        return bit(Key::Right);
    }
    if (turn < -2.5) {
        return bit(Key::Left);
    }
    if (ship.x < 300) {
        keys |= bit(Key::Right);
    }
    keys |= bit(Key::Down);
    if (ship.y >= 360) {
        keys |= (frame / 40) % 2 == 0 ? bit(Key::Left) : bit(Key::Right);
    }
    return keys;
}

uint32_t goalsAt(const std::vector<PilotPhase>& plan, uint64_t frame) {
    uint32_t goals = 0;
    for (const PilotPhase& phase : plan) {
        if (phase.from <= frame) {
            goals = phase.goals;
        }
    }
    return goals;
}

} // namespace

std::optional<std::vector<PilotPhase>> parsePilotPlan(const std::string& text, std::string& error) {
    static const std::map<std::string, uint32_t> names = {
        {"spores", GoalSpores}, {"plants", GoalPlants}, {"sower", GoalSower}, {"ram", GoalRam},
        {"base", GoalBase},     {"push", GoalPush},     {"crash", GoalCrash}, {"idle", 0},
    };
    std::vector<PilotPhase> plan;
    std::stringstream phases(text);
    std::string phase;
    while (std::getline(phases, phase, ',')) {
        const size_t colon = phase.find(':');
        if (colon == std::string::npos || colon == 0 ||
            phase.find_first_not_of("0123456789") != colon) {
            error = "expected FRAME:goal+goal, not '" + plat::quoted(phase) + "'";
            return std::nullopt;
        }
        PilotPhase entry{0, 0};
        if (!parseNumber(std::string_view(phase).substr(0, colon), UINT64_MAX, entry.from)) {
            error = "the frame '" + plat::quoted(phase.substr(0, colon)) +
                    "' is past the last one, " + std::to_string(UINT64_MAX);
            return std::nullopt;
        }
        std::stringstream goals(phase.substr(colon + 1));
        std::string goal;
        while (std::getline(goals, goal, '+')) {
            const auto found = names.find(goal);
            if (found == names.end()) {
                error = "unknown goal '" + plat::quoted(goal) + "'";
                return std::nullopt;
            }
            entry.goals |= found->second;
        }
        plan.push_back(entry);
    }
    if (plan.empty()) {
        error = "an empty plan";
        return std::nullopt;
    }
    return plan;
}

uint32_t pilotKeys(const std::vector<PilotPhase>& plan, uint64_t frame) {
    // Enter is always held: a lost game's title screen starts the next game.
    const uint32_t enter = bit(Key::Enter);
    const uint32_t goals = goalsAt(plan, frame);
    if (ship.state != ShipFlying) {
        return enter;
    }
    if ((goals & GoalPush) != 0) {
        return enter | pushOnBase(frame);
    }
    std::optional<Aim> aim;
    bool baseIsTarget = false;
    if ((goals & GoalRam) != 0) {
        aim = sowerAim(true);
    }
    if (!aim && (goals & GoalCrash) != 0) {
        aim = plantAim(true);
    }
    if (!aim && (goals & GoalSower) != 0) {
        aim = sowerAim(false);
    }
    if (!aim && (goals & GoalSpores) != 0) {
        aim = sporeAim();
    }
    if (!aim && (goals & GoalPlants) != 0) {
        aim = plantAim(false);
    }
    if (!aim && (goals & GoalBase) != 0) {
        aim = baseAim();
        baseIsTarget = true;
    }
    return enter | (aim ? fly(*aim, baseIsTarget) : patrol());
}

} // namespace sim
