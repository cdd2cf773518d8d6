// What must hold after every frame of the game, whatever the keys: the
// soak's checker. It reads a view of the program's tables after each frame
// and remembers what it needs of the frame before. Each broken invariant
// is reported as a line that starts with its group:
//
// - pool sizes: 4 shots, 3 spores, 5 plants, 9 explosions, 23 ring cells.
// - active flags: every `active` and `alive` 0 or 1, and `baseIntact`; the
//   ship's state one of its three.
// - ships left: 0 to 4, never rising within a game; none left means the
//   game is over.
// - counters: score, spores and plants destroyed and base hits never
//   negative and never falling within a game.
// - plant cells: a free plant has no living cell; a living cell is 16 x 16,
//   on the grid of columns 16k + 8 and rows 16k, inside the screen.
// - ring cells: each record free or naming a plant's cell; a named cell is
//   there but in the stale cases the rules leave (listed in
//   invariants.cpp); a living cell on the ring is recorded but in the one
//   case the rules leave; never all 23 taken at the end of a frame.
// - picture indices: a playing explosion or base fall at picture 1 to 13,
//   the flying sower at 0 to 5, the ship's heading a multiple of 5 in
//   0..355 and its picture 0 to 71.
// - live pictures, effect buffers: as many as after the first game start,
//   every frame, whatever games started since.
// - clock: a frame starts where the last one ended and takes 28 ms; the
//   frame that runs the title screen with Enter held takes none.
#pragma once

#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/rect.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace soak {

// The program as it stands after a frame. The tables are views; the
// records of one object are copies.
struct World {
    std::span<const Shot> shots;
    std::span<const Spore> spores;
    std::span<const Plant> plants;
    std::span<const Explosion> explosions;
    std::span<const RingCell> ring;
    Ship ship;
    Sower sower;
    Explosion baseExplosion;
    int32_t baseIntact;
    int32_t shipsLeft;
    int32_t score;
    int32_t sporesDestroyed;
    int32_t plantsDestroyed;
    int32_t baseHits;
    Rect screen;
    // The tick counter now, and when the frame began.
    uint32_t tick;
    uint32_t frameStartTime;
    // Title screens shown so far: each one starts a new game.
    int titleScreens;
    int liveSurfaces;
    int liveSoundBuffers;
    // The keys held during the frame (a bit per key, as the headless
    // backend holds them).
    uint32_t keys;
};

// The view of the game's own tables.
World programWorld(uint32_t keys);

// What the checks saw happen, to tell how much of the game a run reached.
struct Stats {
    uint64_t frames = 0;
    uint64_t games = 0;
    uint64_t gamesLostWithNoShip = 0;
    uint64_t gamesLostWithBaseDown = 0;
    uint64_t shipsLost = 0;
    uint64_t baseFallsByShots = 0;
    uint64_t baseFallsBySiege = 0;
    uint64_t sowerVisits = 0;
    int32_t bestScore = 0;
    int32_t mostRingCellsTaken = 0;
    int32_t mostPlants = 0;
    // Ring records the rules leave stale or hidden, as they arose.
    uint64_t staleAfterShip = 0;
    uint64_t staleAfterBaseFall = 0;
    uint64_t hiddenBySecondPlant = 0;
    // Frames that ended with every record of a pool in use.
    uint64_t framesAllShots = 0;
    uint64_t framesAllSpores = 0;
    uint64_t framesAllPlants = 0;
    uint64_t framesAllExplosions = 0;
};

class Checker {
  public:
    // The program when its loop first turns: devices made and the first
    // game set up. What holds at any moment is checked here too.
    std::vector<std::string> start(const World& world);
    // Everything that must hold after a frame, against the frame before:
    // one line per broken invariant, none when all hold.
    std::vector<std::string> afterFrame(const World& world);
    const Stats& stats() const { return stats_; }

  private:
    // A segment by plant and index, or none.
    struct SegmentRef {
        int32_t plant = -1;
        int32_t segment = -1;
        bool operator==(const SegmentRef&) const = default;
    };

    void checkAlways(const World& world, std::vector<std::string>& broken);
    void checkAgainstLastFrame(const World& world, std::vector<std::string>& broken);
    void checkRing(const World& world, bool sameGame, std::vector<std::string>& broken);
    void count(const World& world, bool sameGame);
    void remember(const World& world);
    // Whether the record names a live segment of an active plant lying on
    // ring cell i, in the given plant table.
    bool namesLiveCell(std::span<const Plant> plants, const RingCell& record, int32_t i) const;
    // For each ring cell, the first live segment lying on it, in index
    // order.
    std::array<SegmentRef, kRingCellCount> coverage(std::span<const Plant> plants) const;
    // The ring cell whose top-left corner is (x, y), or -1.
    int32_t ringIndexAt(int32_t x, int32_t y) const;
    bool liveOn(std::span<const Plant> plants, SegmentRef ref, int32_t i) const;
    // Whether the ship, flying at the end of the last frame, can have
    // touched the box in this frame's tests.
    bool shipCouldTouch(const Rect& box) const;

    Stats stats_;
    bool started_ = false;
    int baselineSurfaces_ = 0;
    int baselineSoundBuffers_ = 0;
    // The ring's cells, where they stood at the start, and their indices by
    // place on the plants' grid (columns 16k + 8, rows 16k).
    static constexpr int32_t kGridColumns = 40;
    static constexpr int32_t kGridRows = 30;
    std::array<RingCell, kRingCellCount> ringAtStart_{};
    std::array<int8_t, kGridColumns * kGridRows> ringIndexAt_{};
    // The last frame's state.
    uint32_t lastTick_ = 0;
    int lastTitles_ = 0;
    int32_t lastShipsLeft_ = 0;
    int32_t lastScore_ = 0;
    int32_t lastSporesDestroyed_ = 0;
    int32_t lastPlantsDestroyed_ = 0;
    int32_t lastBaseHits_ = 0;
    int32_t lastSowerActive_ = 0;
    Ship lastShip_{};
    std::array<Plant, kPlantCount> lastPlants_{};
    std::array<RingCell, kRingCellCount> lastRing_{};
    // Per ring cell: a stale record the rules allowed, kept while the
    // record stays the same; a live segment the ring shows free because a
    // second plant's claim on the cell was freed.
    std::array<bool, kRingCellCount> staleAllowed_{};
    std::array<bool, kRingCellCount> hiddenAllowed_{};
};

} // namespace soak
