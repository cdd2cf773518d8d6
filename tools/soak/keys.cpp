#include "keys.h"

#include "autopilot.h"
#include "platform/headless/headless.h"

namespace soak {

namespace {

constexpr plat::Key kPlayKeys[] = {plat::Key::Left, plat::Key::Right, plat::Key::Up,
                                   plat::Key::Down, plat::Key::Space};
// A phase lasts 200 to 2999 frames; a hold 1 to 8.
constexpr uint64_t kShortestPhase = 200;
constexpr uint64_t kPhaseSpread = 2800;
constexpr uint64_t kLongestHold = 8;
// Out of six phases: one holds no key at all, so that plants grow
// undisturbed and lay siege to the base; two press keys at random; three
// let the pilot play, so that games last and reach the sower and the later
// steps of the difficulty.
constexpr uint64_t kIdlePhases = 1;
constexpr uint64_t kRandomPhases = 2;
constexpr uint64_t kPhaseKinds = 6;
// The chances a random phase gives each key.
constexpr uint32_t kChances[] = {0, 10, 30, 60, 90};
// The pilot's goals and how likely a pilot phase pursues each, in
// percent: mostly the targets that score, now and then the ones that cost
// ships or bring the base down.
constexpr struct {
    uint32_t goal;
    uint32_t chance;
} kGoals[] = {
    {sim::GoalSpores, 80}, {sim::GoalPlants, 50}, {sim::GoalSower, 60}, {sim::GoalRam, 10},
    {sim::GoalCrash, 10},  {sim::GoalBase, 5},    {sim::GoalPush, 10},
};
// In a pilot phase, one hold in this many flips a random key over the
// pilot's.
constexpr uint64_t kPilotNoiseOneIn = 5;

} // namespace

KeyGenerator::KeyGenerator(uint64_t seed) : state_(seed) {}

// SplitMix64: small, fast and the same on every machine.
uint64_t KeyGenerator::draw() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t KeyGenerator::below(uint64_t n) {
    return draw() % n;
}

void KeyGenerator::startPhase() {
    phaseLeft_ = kShortestPhase + below(kPhaseSpread);
    const uint64_t kind = below(kPhaseKinds);
    const bool idle = kind < kIdlePhases;
    piloted_ = kind >= kIdlePhases + kRandomPhases;
    goals_ = 0;
    for (const auto& goal : kGoals) {
        if (piloted_ && below(100) < goal.chance) {
            goals_ |= goal.goal;
        }
    }
    for (uint32_t& chance : chance_) {
        chance = idle || piloted_ ? 0 : kChances[below(std::size(kChances))];
    }
}

uint32_t KeyGenerator::next(const Pilot& pilot) {
    if (phaseLeft_ == 0) {
        startPhase();
        holdLeft_ = 0;
    }
    --phaseLeft_;
    if (holdLeft_ == 0) {
        holdLeft_ = 1 + below(kLongestHold);
        keys_ = 0;
        if (piloted_) {
            if (below(kPilotNoiseOneIn) == 0) {
                keys_ = headless::keyBit(kPlayKeys[below(std::size(kPlayKeys))]);
            }
        } else {
            for (size_t k = 0; k < std::size(kPlayKeys); ++k) {
                if (below(100) < chance_[k]) {
                    keys_ |= headless::keyBit(kPlayKeys[k]);
                }
            }
        }
    }
    --holdLeft_;
    const uint32_t enter = headless::keyBit(plat::Key::Enter);
    const uint32_t escape = headless::keyBit(plat::Key::Escape);
    const uint32_t keys = piloted_ ? pilot(goals_) ^ keys_ : keys_;
    return (keys | enter) & ~escape;
}

} // namespace soak
