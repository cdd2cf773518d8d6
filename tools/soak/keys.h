// The soak's keys: a seeded generator of its own (never the game's), so
// that a seed always plays the same game and the game's draws stay the
// game's. Play comes in phases of a few hundred to a few thousand frames:
// random presses, no keys at all, or the simulator's pilot chasing goals
// the generator picks, with random presses over its keys.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace soak {

// The pilot's keys for the frame about to start, for these goals.
using Pilot = std::function<uint32_t(uint32_t goals)>;

class KeyGenerator {
  public:
    explicit KeyGenerator(uint64_t seed);
    // The keys to hold for the next frame (a bit per key, as the headless
    // backend holds them); called once per frame, in order. Enter is
    // always held, so that a lost game's title screen starts the next one;
    // Esc never is.
    uint32_t next(const Pilot& pilot);

  private:
    uint64_t draw();
    uint64_t below(uint64_t n);
    void startPhase();

    uint64_t state_;
    // Frames left in this phase of play, and in this hold of the keys.
    uint64_t phaseLeft_ = 0;
    uint64_t holdLeft_ = 0;
    // How likely each of the arrows and the space bar is held in a hold,
    // in percent; a random phase draws them anew.
    std::array<uint32_t, 5> chance_{};
    // The pilot's goals in a pilot phase; 0 in the others.
    bool piloted_ = false;
    uint32_t goals_ = 0;
    // The keys of this hold: held in a random phase, pressed over (or
    // released from) the pilot's keys in a pilot phase.
    uint32_t keys_ = 0;
};

} // namespace soak
