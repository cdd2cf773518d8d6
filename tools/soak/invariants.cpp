#include "invariants.h"

#include "hostiles/base.h"
#include "platform/audio.h"
#include "platform/display.h"
#include "platform/headless/headless.h"
#include "shell/frame.h"
#include "shell/screens.h"
#include "shell/status.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace soak {

namespace {

constexpr size_t kPoolShots = 4;
constexpr size_t kPoolSpores = 3;
constexpr size_t kPoolPlants = 5;
constexpr size_t kPoolExplosions = 9;
constexpr size_t kPoolRingCells = 23;
constexpr int32_t kMostShips = 4;
constexpr int32_t kLastExplosionPicture = 13;
constexpr int32_t kLastSowerPicture = 5;
constexpr int32_t kLastShipPicture = 71;
// The ship thrusts at most this many pixels along each axis in a frame,
// before its hit tests.
constexpr int32_t kMostShipStep = 5;

std::string format(const char* pattern, ...) {
    char line[256];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(line, sizeof line, pattern, args);
    va_end(args);
    return line;
}

bool isFree(const RingCell& cell) {
    return cell.plant == kFreeRingCell && cell.segment == kFreeRingCell;
}

bool sameRecord(const RingCell& a, const RingCell& b) {
    return a.plant == b.plant && a.segment == b.segment;
}

Rect grown(const Rect& r, int32_t by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

Rect cellBox(const RingCell& cell) {
    return {cell.x, cell.y, cell.x + kCellSize - 1, cell.y + kCellSize - 1};
}

void flag(std::vector<std::string>& broken, const char* name, int32_t value, int index = -1) {
    if (value != 0 && value != 1) {
        broken.push_back(
            index < 0 ? format("active flags: %s is %d, not 0 or 1", name, value)
                      : format("active flags: %s[%d] is %d, not 0 or 1", name, index, value));
    }
}

// Whether the base's fall started in this frame: the fall's first picture
// has just been drawn.
bool baseFellThisFrame(const World& world) {
    return world.baseExplosion.active == 1 && world.baseExplosion.frame == 1;
}

} // namespace

World programWorld(uint32_t keys) {
    World world{};
    world.shots = shots;
    world.spores = spores;
    world.plants = plants;
    world.explosions = explosions;
    world.ring = baseRing;
    world.ship = ship;
    world.sower = sower;
    world.baseExplosion = baseExplosion;
    world.baseIntact = baseIntact;
    world.shipsLeft = shipsLeft;
    world.score = score;
    world.sporesDestroyed = sporesDestroyed;
    world.plantsDestroyed = plantsDestroyed;
    world.baseHits = baseHits;
    world.screen = screenRect;
    world.tick = plat::tickCount();
    world.frameStartTime = frameStartTime;
    world.titleScreens = titleScreensShown;
    world.liveSurfaces = plat::liveSurfaceCount();
    world.liveSoundBuffers = plat::liveSoundBufferCount();
    world.keys = keys;
    return world;
}

std::vector<std::string> Checker::start(const World& world) {
    std::vector<std::string> broken;
    checkAlways(world, broken);
    if (!broken.empty()) {
        return broken;
    }
    baselineSurfaces_ = world.liveSurfaces;
    baselineSoundBuffers_ = world.liveSoundBuffers;
    ringIndexAt_.fill(-1);
    for (size_t i = 0; i < kPoolRingCells; ++i) {
        ringAtStart_[i] = world.ring[i];
    }
    // Filled backwards so that, were two cells at one place, the lower
    // index is found, as the marking of a cell finds it.
    for (int32_t i = kRingCellCount - 1; i >= 0; --i) {
        const RingCell& cell = ringAtStart_[size_t(i)];
        if (cell.x >= 8 && cell.y >= 0 && (cell.x - 8) % kCellSize == 0 &&
            cell.y % kCellSize == 0 && (cell.x - 8) / kCellSize < kGridColumns &&
            cell.y / kCellSize < kGridRows) {
            ringIndexAt_[size_t(cell.y / kCellSize * kGridColumns + (cell.x - 8) / kCellSize)] =
                int8_t(i);
        }
    }
    checkRing(world, false, broken);
    remember(world);
    started_ = true;
    stats_.games = 1;
    return broken;
}

std::vector<std::string> Checker::afterFrame(const World& world) {
    std::vector<std::string> broken;
    if (!started_) {
        broken.push_back("checker: a frame was checked before the start");
        return broken;
    }
    checkAlways(world, broken);
    if (!broken.empty() && broken.front().starts_with("pool sizes")) {
        return broken;
    }
    const bool sameGame = world.titleScreens == lastTitles_;
    checkAgainstLastFrame(world, broken);
    checkRing(world, sameGame, broken);
    count(world, sameGame);
    remember(world);
    return broken;
}

// What holds at any moment, without looking back.
void Checker::checkAlways(const World& world, std::vector<std::string>& broken) {
    // Pool sizes: every later check walks the pools by these sizes.
    const struct {
        const char* name;
        size_t size;
        size_t expected;
    } pools[] = {
        {"shots", world.shots.size(), kPoolShots},
        {"spores", world.spores.size(), kPoolSpores},
        {"plants", world.plants.size(), kPoolPlants},
        {"explosions", world.explosions.size(), kPoolExplosions},
        {"ring cells", world.ring.size(), kPoolRingCells},
    };
    for (const auto& pool : pools) {
        if (pool.size != pool.expected) {
            broken.push_back(
                format("pool sizes: %zu %s, not %zu", pool.size, pool.name, pool.expected));
        }
    }
    if (!broken.empty()) {
        return;
    }

    // Active flags.
    for (size_t i = 0; i < world.shots.size(); ++i) {
        flag(broken, "shots", world.shots[i].active, int(i));
    }
    for (size_t i = 0; i < world.spores.size(); ++i) {
        flag(broken, "spores", world.spores[i].active, int(i));
    }
    for (size_t i = 0; i < world.explosions.size(); ++i) {
        flag(broken, "explosions", world.explosions[i].active, int(i));
    }
    for (size_t p = 0; p < world.plants.size(); ++p) {
        flag(broken, "plants", world.plants[p].active, int(p));
        for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
            const int32_t alive = world.plants[p].segments[s].alive;
            if (alive != 0 && alive != 1) {
                broken.push_back(format("active flags: plants[%zu].segments[%d].alive is %d, "
                                        "not 0 or 1",
                                        p, s, alive));
            }
        }
    }
    flag(broken, "sower.active", world.sower.active);
    flag(broken, "baseExplosion.active", world.baseExplosion.active);
    flag(broken, "baseIntact", world.baseIntact);
    if (world.ship.state != ShipGameOver && world.ship.state != ShipFlying &&
        world.ship.state != ShipRespawning) {
        broken.push_back(format("active flags: ship.state is %d, not 0, 1 or 2", world.ship.state));
    }

    // Ships left.
    if (world.shipsLeft < 0 || world.shipsLeft > kMostShips) {
        broken.push_back(format("ships left: %d, not 0 to %d", world.shipsLeft, kMostShips));
    }
    if (world.shipsLeft == 0 && world.ship.state != ShipGameOver) {
        broken.push_back(format("ships left: none, yet the ship's state is %d", world.ship.state));
    }

    // Counters.
    const struct {
        const char* name;
        int32_t value;
    } counters[] = {{"score", world.score},
                    {"sporesDestroyed", world.sporesDestroyed},
                    {"plantsDestroyed", world.plantsDestroyed},
                    {"baseHits", world.baseHits}};
    for (const auto& counter : counters) {
        if (counter.value < 0) {
            broken.push_back(format("counters: %s is %d", counter.name, counter.value));
        }
    }

    // Plant cells: a free plant has none; a plant's cells are 16 x 16 on
    // the grid of columns 16k + 8 and rows 16k, and inside the screen.
    for (size_t p = 0; p < world.plants.size(); ++p) {
        const Plant& plant = world.plants[p];
        for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
            const PlantSegment& segment = plant.segments[s];
            if (segment.alive == 0) {
                continue;
            }
            const Rect& b = segment.box;
            if (plant.active == 0) {
                broken.push_back(
                    format("plant cells: plants[%zu] is free but its cell %d lives", p, s));
                continue;
            }
            // Worked in 64 bits: a broken box may hold any value.
            const bool square = int64_t(b.right) == int64_t(b.left) + kCellSize - 1 &&
                                int64_t(b.bottom) == int64_t(b.top) + kCellSize - 1;
            const bool onGrid = (int64_t(b.left) - 8) % kCellSize == 0 && b.top % kCellSize == 0;
            const bool inside = b.left >= world.screen.left && b.top >= world.screen.top &&
                                b.right <= world.screen.right && b.bottom <= world.screen.bottom;
            if (!square || !onGrid || !inside) {
                broken.push_back(format("plant cells: plants[%zu] cell %d at {%d, %d, %d, %d} is "
                                        "%s",
                                        p, s, b.left, b.top, b.right, b.bottom,
                                        !square   ? "not 16 x 16"
                                        : !onGrid ? "off the grid"
                                                  : "outside the screen"));
            }
        }
    }

    // Picture indices: a playing explosion has shown its first picture in
    // the frame that started it (every starter runs before the explosions
    // are drawn), so it stands at 1 to 13 after a frame.
    for (size_t i = 0; i < world.explosions.size(); ++i) {
        const Explosion& explosion = world.explosions[i];
        if (explosion.active == 1 &&
            (explosion.frame < 1 || explosion.frame > kLastExplosionPicture)) {
            broken.push_back(format("picture indices: explosions[%zu].frame is %d, not 1 to %d", i,
                                    explosion.frame, kLastExplosionPicture));
        }
    }
    if (world.baseExplosion.active == 1 &&
        (world.baseExplosion.frame < 1 || world.baseExplosion.frame > kLastExplosionPicture)) {
        broken.push_back(format("picture indices: baseExplosion.frame is %d, not 1 to %d",
                                world.baseExplosion.frame, kLastExplosionPicture));
    }
    if (world.sower.active == 1 &&
        (world.sower.frame < 0 || world.sower.frame > kLastSowerPicture)) {
        broken.push_back(format("picture indices: sower.frame is %d, not 0 to %d",
                                world.sower.frame, kLastSowerPicture));
    }
    const double angle = world.ship.angle;
    if (!(angle >= 0 && angle < 360) || double(int32_t(angle) / 5 * 5) != angle) {
        broken.push_back(
            format("picture indices: ship.angle is %g, not a multiple of 5 in 0..355", angle));
    }
    if (world.ship.frame < 0 || world.ship.frame > kLastShipPicture) {
        broken.push_back(format("picture indices: ship.frame is %d, not 0 to %d", world.ship.frame,
                                kLastShipPicture));
    }
}

// What a frame may change of the one before.
void Checker::checkAgainstLastFrame(const World& world, std::vector<std::string>& broken) {
    const bool sameGame = world.titleScreens == lastTitles_;
    if (sameGame && world.shipsLeft > lastShipsLeft_) {
        broken.push_back(format("ships left: rose from %d to %d within a game", lastShipsLeft_,
                                world.shipsLeft));
    }
    if (sameGame) {
        const struct {
            const char* name;
            int32_t before;
            int32_t now;
        } counters[] = {{"score", lastScore_, world.score},
                        {"sporesDestroyed", lastSporesDestroyed_, world.sporesDestroyed},
                        {"plantsDestroyed", lastPlantsDestroyed_, world.plantsDestroyed},
                        {"baseHits", lastBaseHits_, world.baseHits}};
        for (const auto& counter : counters) {
            if (counter.now < counter.before) {
                broken.push_back(format("counters: %s fell from %d to %d within a game",
                                        counter.name, counter.before, counter.now));
            }
        }
    }

    // Pictures and effect buffers are made only by a game start, which
    // releases the last game's: their numbers never change.
    if (world.liveSurfaces != baselineSurfaces_) {
        broken.push_back(format("live pictures: %d, not the %d of the first game",
                                world.liveSurfaces, baselineSurfaces_));
    }
    if (world.liveSoundBuffers != baselineSoundBuffers_) {
        broken.push_back(format("effect buffers: %d, not the %d of the first game",
                                world.liveSoundBuffers, baselineSoundBuffers_));
    }

    // The clock: a frame starts where the last one ended and waits until
    // 28 ms have passed. The one exception is the frame that ends a lost
    // game: it runs the title screen instead of its wait, and with Enter
    // held the title screen starts the next game at once, so that frame
    // takes no time at all.
    if (world.frameStartTime != lastTick_) {
        broken.push_back(format("clock: the frame started at tick %u, not at %u where the last one "
                                "ended",
                                world.frameStartTime, lastTick_));
    }
    const uint32_t took = world.tick - lastTick_;
    const bool enterHeld = (world.keys & headless::keyBit(plat::Key::Enter)) != 0;
    if (sameGame && took != kFramePeriodMs) {
        broken.push_back(format("clock: the frame took %u ms, not %u", took, kFramePeriodMs));
    } else if (!sameGame && enterHeld && took != 0) {
        broken.push_back(format("clock: the frame that ran the title screen with Enter held took "
                                "%u ms, not 0",
                                took));
    }
}

// The ring of cells around the base. A record is free (both fields 100) or
// names a plant 0..4 and a segment 0..40. A record normally names a live
// cell of an active plant lying on that ring cell; the rules leave it
// stale, naming a cell that is not there, in these cases only:
//   1. The ship destroys a plant cell other than an arm's first: that cell
//      dies and no ring cell is freed.
//   2. The ship touches the left arm's first cell: the whole plant goes and
//      every ring record it held stays.
//   3. The base falls to the player's own shots: every plant goes and the
//      ring is left as it was (only the siege clears it).
//   4. A plant freed by 2 or 3 is seeded again: its old records name cells
//      of the new plant that lie elsewhere, or nowhere.
//   5. A cell the ship destroyed grows again: growth takes the arm's first
//      dead index, and the new cell may lie elsewhere (a full arm even
//      regrows a pod the ship killed, beside its tip); the old record names
//      the index that now lives elsewhere.
// 4 and 5 never change the record, so a record that went stale by 1 to 3
// may stay stale for as long as it stays the same. A record written in a
// frame always names a live cell at the end of it: nothing after the seeds
// and the growth of a frame ends a cell but the siege, which frees the
// ring.
//
// The other way round, a live cell on a ring cell is recorded there, with
// one case left by the rules:
//   6. Two plants claim one cell: a seed is placed without a test against
//      other plants, so it may land on another plant's live cell, and its
//      record replaces the first one. When the second plant's pod is shot
//      its records are freed, and the first plant's cell shows free.
// And at the end of a frame the ring is never all taken: the siege test
// that sees 23 taken cells brings the base down and frees them.
void Checker::checkRing(const World& world, bool sameGame, std::vector<std::string>& broken) {
    const bool shipLost = sameGame && world.shipsLeft < lastShipsLeft_;
    const bool baseFell = sameGame && baseFellThisFrame(world);
    const std::array<SegmentRef, kRingCellCount> covers = coverage(world.plants);
    int32_t taken = 0;
    for (int32_t i = 0; i < kRingCellCount; ++i) {
        const RingCell& cell = world.ring[i];
        const RingCell& last = lastRing_[i];
        if (cell.plant != kFreeRingCell) {
            ++taken;
        }
        if (cell.x != ringAtStart_[i].x || cell.y != ringAtStart_[i].y) {
            broken.push_back(format("ring cells: cell %d moved from (%d, %d) to (%d, %d)", i,
                                    ringAtStart_[i].x, ringAtStart_[i].y, cell.x, cell.y));
            continue;
        }
        const bool free = isFree(cell);
        const bool wellFormed = free || (cell.plant >= 0 && cell.plant < kPlantCount &&
                                         cell.segment >= 0 && cell.segment < kPlantSegmentCount);
        if (!wellFormed) {
            broken.push_back(format("ring cells: cell %d holds plant %d segment %d", i, cell.plant,
                                    cell.segment));
            continue;
        }

        // A record names a live cell, or is stale as the rules allow.
        if (free || namesLiveCell(world.plants, cell, i)) {
            staleAllowed_[i] = false;
        } else if (sameGame && sameRecord(cell, last) && staleAllowed_[i]) {
            // Still stale as it was left (cases 4 and 5).
        } else if (sameGame && sameRecord(cell, last) && namesLiveCell(lastPlants_, last, i) &&
                   (baseFell ||
                    (shipLost &&
                     (shipCouldTouch(cellBox(cell)) ||
                      (lastPlants_[cell.plant].segments[kLeftArmFirst].alive == 1 &&
                       shipCouldTouch(lastPlants_[cell.plant].segments[kLeftArmFirst].box)))))) {
            staleAllowed_[i] = true;
            ++(baseFell ? stats_.staleAfterBaseFall : stats_.staleAfterShip);
        } else {
            broken.push_back(format("ring cells: cell %d at (%d, %d) names plant %d segment %d, "
                                    "which is not there",
                                    i, cell.x, cell.y, cell.plant, cell.segment));
        }

        // A live cell on the ring is recorded, or was hidden by a second
        // plant's claim that has since been freed (case 6).
        const SegmentRef cover = covers[i];
        if (cover.plant < 0 || !free) {
            hiddenAllowed_[i] = false;
            continue;
        }
        const bool wasThere = sameGame && liveOn(lastPlants_, cover, i);
        const bool hidden =
            wasThere &&
            (isFree(last) ? hiddenAllowed_[i]
                          : !(last.plant == cover.plant && last.segment == cover.segment));
        if (hidden) {
            if (!hiddenAllowed_[i]) {
                ++stats_.hiddenBySecondPlant;
            }
            hiddenAllowed_[i] = true;
        } else {
            broken.push_back(format("ring cells: cell %d at (%d, %d) shows free under plant %d "
                                    "segment %d",
                                    i, cell.x, cell.y, cover.plant, cover.segment));
        }
    }
    if (taken == kRingCellCount) {
        broken.push_back("ring cells: all 23 taken at the end of a frame, yet the base stands "
                         "siege");
    }
    stats_.mostRingCellsTaken = std::max(stats_.mostRingCellsTaken, taken);
}

bool Checker::namesLiveCell(std::span<const Plant> plants, const RingCell& record,
                            int32_t i) const {
    if (record.plant < 0 || record.plant >= kPlantCount || record.segment < 0 ||
        record.segment >= kPlantSegmentCount) {
        return false;
    }
    return liveOn(plants, {record.plant, record.segment}, i);
}

bool Checker::liveOn(std::span<const Plant> plants, SegmentRef ref, int32_t i) const {
    const Plant& plant = plants[ref.plant];
    const PlantSegment& segment = plant.segments[ref.segment];
    return plant.active == 1 && segment.alive == 1 && segment.box.left == ringAtStart_[i].x &&
           segment.box.top == ringAtStart_[i].y;
}

std::array<Checker::SegmentRef, kRingCellCount>
Checker::coverage(std::span<const Plant> plants) const {
    std::array<SegmentRef, kRingCellCount> covers{};
    for (int32_t p = 0; p < kPlantCount; ++p) {
        if (plants[p].active != 1) {
            continue;
        }
        for (int32_t s = 0; s < kPlantSegmentCount; ++s) {
            const PlantSegment& segment = plants[p].segments[s];
            if (segment.alive != 1) {
                continue;
            }
            const int32_t i = ringIndexAt(segment.box.left, segment.box.top);
            if (i >= 0 && covers[i].plant < 0) {
                covers[i] = {p, s};
            }
        }
    }
    return covers;
}

int32_t Checker::ringIndexAt(int32_t x, int32_t y) const {
    if (x < 8 || y < 0 || (x - 8) % kCellSize != 0 || y % kCellSize != 0) {
        return -1;
    }
    const int32_t column = (x - 8) / kCellSize;
    const int32_t row = y / kCellSize;
    if (column >= kGridColumns || row >= kGridRows) {
        return -1;
    }
    return ringIndexAt_[size_t(row * kGridColumns + column)];
}

bool Checker::shipCouldTouch(const Rect& box) const {
    return lastShip_.state == ShipFlying &&
           rectsOverlap(box, grown(rectAt(lastShip_.box, lastShip_.x, lastShip_.y), kMostShipStep));
}

void Checker::count(const World& world, bool sameGame) {
    ++stats_.frames;
    if (!sameGame) {
        ++stats_.games;
        ++(lastShipsLeft_ == 0 ? stats_.gamesLostWithNoShip : stats_.gamesLostWithBaseDown);
    } else {
        if (world.shipsLeft < lastShipsLeft_) {
            stats_.shipsLost += uint64_t(lastShipsLeft_ - world.shipsLeft);
        }
        if (baseFellThisFrame(world)) {
            ++(world.baseHits > lastBaseHits_ ? stats_.baseFallsByShots : stats_.baseFallsBySiege);
        }
        if (world.sower.active == 1 && lastSowerActive_ != 1) {
            ++stats_.sowerVisits;
        }
    }
    stats_.bestScore = std::max(stats_.bestScore, world.score);
    const auto inUse = [](auto pool) {
        size_t used = 0;
        for (const auto& record : pool) {
            used += record.active != 0 ? 1 : 0;
        }
        return used;
    };
    const size_t plantsInUse = inUse(world.plants);
    stats_.mostPlants = std::max(stats_.mostPlants, int32_t(plantsInUse));
    stats_.framesAllShots += inUse(world.shots) == kPoolShots ? 1 : 0;
    stats_.framesAllSpores += inUse(world.spores) == kPoolSpores ? 1 : 0;
    stats_.framesAllPlants += plantsInUse == kPoolPlants ? 1 : 0;
    stats_.framesAllExplosions += inUse(world.explosions) == kPoolExplosions ? 1 : 0;
}

void Checker::remember(const World& world) {
    lastTick_ = world.tick;
    lastTitles_ = world.titleScreens;
    lastShipsLeft_ = world.shipsLeft;
    lastScore_ = world.score;
    lastSporesDestroyed_ = world.sporesDestroyed;
    lastPlantsDestroyed_ = world.plantsDestroyed;
    lastBaseHits_ = world.baseHits;
    lastSowerActive_ = world.sower.active;
    lastShip_ = world.ship;
    for (size_t p = 0; p < kPoolPlants; ++p) {
        lastPlants_[p] = world.plants[p];
    }
    for (size_t i = 0; i < kPoolRingCells; ++i) {
        lastRing_[i] = world.ring[i];
    }
}

} // namespace soak
