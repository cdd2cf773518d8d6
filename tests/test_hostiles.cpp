// The hostiles on their own: the generator, the plants and their ring, the
// spores' flight and tests, the sower, the base and the explosions.
#include "support.h"

#include "graphics/sheet.h"
#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/random.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "platform/audio.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/screens.h"
#include "shell/status.h"
#include "sound/effects.h"
#include "sound/wave.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

using namespace testing_support;

Rect cell(int32_t left, int32_t top) {
    return {left, top, left + 15, top + 15};
}

// Sets the generator so that its next randomBelow(n) gives want.
void nextDrawGives(int32_t n, int32_t want) {
    for (int i = 0; i < 1000; ++i) {
        const uint64_t before = randomState;
        if (randomBelow(n) == want) {
            randomState = before;
            return;
        }
    }
    FAIL() << "no such draw near";
}

class HostileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProgram();
        ASSERT_TRUE(startGame());
        // Nothing launches or grows unless a test asks for it.
        holdSpawns();
        headless::effectRequests().clear();
    }
    void TearDown() override { freshProgram(); }

    static void holdSpawns() {
        sporeSpawnTime = headless::tick();
        sporeSpawnDelay = INT32_MAX;
        growthTime = headless::tick();
        growthDelay = INT32_MAX;
    }
    // The growth step runs in the next updatePlants.
    static void growNow() {
        growthTime = headless::tick() - 1;
        growthDelay = 0;
    }
    static void placeSpore(int i, int32_t x, int32_t y, int32_t vx, int32_t vy) {
        spores[i].active = 1;
        spores[i].x = x - vx;
        spores[i].y = y - vy;
        spores[i].vx = vx;
        spores[i].vy = vy;
    }
    static int ringCovered() {
        int n = 0;
        for (const RingCell& c : baseRing) {
            n += c.plant != kFreeRingCell;
        }
        return n;
    }

    WorkingDirectory data_{dataDir()};
};

TEST(Random, StartsFromItsFixedStateAndStaysNonNegative) {
    randomState = kRandomStart;
    EXPECT_EQ(nextRandom(), 1410184549);
    EXPECT_EQ(nextRandom(), 672584604);
    EXPECT_EQ(nextRandom(), 1915668986);
    // The multiplier's high word matters: a 32-bit one would give another
    // sequence.
    randomState = kRandomStart;
    EXPECT_EQ(randomBelow(640), 229);
    for (int i = 0; i < 100000; ++i) {
        const int32_t v = randomBelow(3);
        ASSERT_TRUE(v >= 0 && v < 3);
    }
    randomState = kRandomStart;
}

TEST_F(HostileTest, DelaysTakeElevenValuesShiftedByTheDifficulty) {
    struct Range {
        int32_t shift, low, high;
    };
    const Range ranges[] = {{0, 2050, 4096}, {2, 512, 1024}, {4, 128, 256}, {6, 32, 64},
                            {8, 8, 16},      {10, 2, 4},     {12, 0, 1},    {14, 0, 0}};
    for (const Range& range : ranges) {
        spawnDelayShift = range.shift;
        std::set<int32_t> seen;
        for (int i = 0; i < 2000; ++i) {
            seen.insert(nextSpawnDelay());
        }
        EXPECT_EQ(*seen.begin(), range.low) << range.shift;
        EXPECT_EQ(*seen.rbegin(), range.high) << range.shift;
        if (range.shift == 0) {
            EXPECT_EQ(seen, (std::set<int32_t>{2050, 2052, 2056, 2064, 2080, 2112, 2176, 2304, 2560,
                                               3072, 4096}));
        }
    }
    spawnDelayShift = 0;
}

TEST_F(HostileTest, PlacementKeepsCellsOffTheBaseAndPlantsAndLowInTheirBand) {
    // Side bands: the two bottom rows only.
    EXPECT_TRUE(canPlaceSegment(cell(8, 464)));
    EXPECT_TRUE(canPlaceSegment(cell(136, 448)));
    EXPECT_FALSE(canPlaceSegment(cell(136, 432)));
    EXPECT_TRUE(canPlaceSegment(cell(616, 448)));
    EXPECT_FALSE(canPlaceSegment(cell(488, 432)));
    // Over the base: eight rows, down to 352.
    EXPECT_TRUE(canPlaceSegment(cell(152, 352)));
    EXPECT_FALSE(canPlaceSegment(cell(152, 336)));
    EXPECT_TRUE(canPlaceSegment(cell(312, 352)));
    EXPECT_TRUE(canPlaceSegment(cell(312, 368))) << "a ring cell, right above the top step";
    EXPECT_FALSE(canPlaceSegment(cell(312, 384))) << "on the top step";
    EXPECT_FALSE(canPlaceSegment(cell(168, 448))) << "on a step";
    // The column at 472 is in neither band: only the screen limits it.
    EXPECT_TRUE(canPlaceSegment(cell(472, 0)));
    EXPECT_FALSE(canPlaceSegment(cell(472, -16)));
    EXPECT_FALSE(canPlaceSegment(cell(-8, 464)));
    EXPECT_FALSE(canPlaceSegment(cell(632, 464))) << "right edge past 639";
    EXPECT_FALSE(canPlaceSegment(cell(40, 472))) << "below the screen";
    // Any living cell of any plant refuses the candidate; dead ones do not.
    seedPlant(cell(40, 464));
    EXPECT_FALSE(canPlaceSegment(cell(40, 464)));
    EXPECT_FALSE(canPlaceSegment(cell(55, 464))) << "touching edges overlap";
    EXPECT_TRUE(canPlaceSegment(cell(56, 464)));
    plants[0].segments[0].alive = 0;
    EXPECT_TRUE(canPlaceSegment(cell(40, 464)));
}

TEST_F(HostileTest, ArmsGrowDownThenSidewaysThenUpOneCellAStep) {
    ASSERT_EQ(seedPlant(cell(104, 448)), 0);
    // Left arm: down (104, 464) first.
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[1].alive, 1);
    EXPECT_EQ(plants[0].segments[1].box.left, 104);
    EXPECT_EQ(plants[0].segments[1].box.top, 464);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundMetamorphosis}));
    // From (104, 464) down leaves the screen: sideways to (88, 464).
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[2].box.left, 88);
    EXPECT_EQ(plants[0].segments[2].box.top, 464);
    // Block sideways with another plant: up to (88, 448).
    ASSERT_EQ(seedPlant(cell(72, 464)), 1);
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[3].box.left, 88);
    EXPECT_EQ(plants[0].segments[3].box.top, 448);
    // Down, sideways and up all taken or too high: no growth, no sound.
    headless::effectRequests().clear();
    seedPlant(cell(72, 448));
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[4].alive, 0);
    EXPECT_EQ(plants[0].segments[21].alive, 0) << "the draw chose the left arm";
}

TEST_F(HostileTest, EachActivePlantDrawsItsArmThenOneDelayIsDrawn) {
    seedPlant(cell(104, 448));
    seedPlant(cell(520, 464));
    const uint64_t before = randomState;
    growNow();
    ASSERT_TRUE(updatePlants());
    const uint64_t after = randomState;
    randomState = before;
    randomBelow(2);
    randomBelow(2);
    const int32_t delay = nextSpawnDelay();
    EXPECT_EQ(randomState, after);
    EXPECT_EQ(growthDelay, delay);
    EXPECT_EQ(growthTime, headless::tick());
}

TEST_F(HostileTest, PlantsAtTheScreensSidesNeverGrow) {
    seedPlant(cell(8, 464));
    seedPlant(cell(616, 464));
    for (int step = 0; step < 40; ++step) {
        growNow();
        ASSERT_TRUE(updatePlants());
    }
    for (int p = 0; p < 2; ++p) {
        for (int s = 1; s < kPlantSegmentCount; ++s) {
            ASSERT_EQ(plants[p].segments[s].alive, 0) << p << " " << s;
        }
    }
    EXPECT_TRUE(effectSlotsStarted().empty());
}

TEST_F(HostileTest, AFullArmRegrowsAKilledPodBesideItsTip) {
    // A left arm of twenty cells climbing the column at 472, the one column
    // with no height limit, from a pod at its foot.
    ASSERT_EQ(seedPlant(cell(472, 464)), 0);
    for (int s = 1; s <= kArmLength; ++s) {
        plants[0].segments[s].box = cell(472, 464 - 16 * s);
        plants[0].segments[s].alive = 1;
    }
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[0].box.top, 464) << "a full arm with its pod does not grow";
    // The ship kills the pod: the next growth of the full arm puts a new
    // pod next to the arm's tip.
    plants[0].segments[0].alive = 0;
    const Rect tip = plants[0].segments[kArmLength].box;
    nextDrawGives(2, 1);
    growNow();
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(plants[0].segments[0].alive, 1);
    // Below the tip is the arm itself and beside it the height over the
    // base is too great: the pod goes above the tip.
    EXPECT_EQ(plants[0].segments[0].box.left, tip.left);
    EXPECT_EQ(plants[0].segments[0].box.top, tip.top - 16);
    EXPECT_EQ(baseRing[22].plant, 0) << "the old pod's ring cell stays marked";
}

TEST_F(HostileTest, RingCellsAreMarkedOverwrittenAndBesiegeTheBase) {
    EXPECT_EQ(ringCovered(), 0);
    markRingCell(cell(152, 464), 3, 7);
    EXPECT_EQ(baseRing[0].plant, 3);
    EXPECT_EQ(baseRing[0].segment, 7);
    markRingCell(cell(152, 464), 1, 0);
    EXPECT_EQ(baseRing[0].plant, 1) << "the later plant overwrites";
    markRingCell(cell(136, 464), 2, 2);
    EXPECT_EQ(ringCovered(), 1) << "not a ring cell";

    // Twenty-two cells covered: the base stands.
    ASSERT_EQ(seedPlant(cell(232, 384)), 0);
    for (int i = 0; i < kRingCellCount - 1; ++i) {
        baseRing[i].plant = 0;
        baseRing[i].segment = 1;
    }
    ASSERT_TRUE(updatePlants());
    EXPECT_EQ(baseIntact, 1);
    // The 23rd: the base falls in this frame, every plant goes (none is
    // drawn) and the ring is cleared.
    baseRing[22].plant = 4;
    clearSurface(backBuffer, 0);
    ASSERT_TRUE(updatePlants());
    ASSERT_TRUE(plat::displayFlip());
    EXPECT_EQ(baseIntact, 0);
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(gameOverTime, headless::tick());
    EXPECT_EQ(baseExplosion.active, 1);
    EXPECT_EQ(plants[0].active, 0);
    EXPECT_EQ(plants[0].segments[0].alive, 0);
    EXPECT_EQ(ringCovered(), 0);
    EXPECT_EQ(baseRing[5].segment, kFreeRingCell);
    EXPECT_FALSE(pictureShownAt(headless::presentedFrame(), plants[0].frames[0], 232, 384));
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
}

TEST_F(HostileTest, SporesRootBesideTheStepTheyTouchOrOnTheGround) {
    struct Seed {
        int32_t step, x, left, top;
    };
    const Seed seeds[] = {
        {0, 200, 152, 448}, {0, 400, 472, 448}, {1, 170, 168, 432}, {1, 470, 456, 432},
        {2, 318, 184, 416}, {2, 319, 440, 416}, {3, 210, 200, 400}, {3, 430, 424, 400},
        {4, 220, 232, 384}, {4, 420, 392, 384}, {5, 240, 232, 368}, {5, 255, 248, 368},
        {5, 256, 248, 368}, {5, 399, 392, 368},
    };
    for (const Seed& seed : seeds) {
        const Rect box = baseSeedBox(seed.step, seed.x);
        EXPECT_EQ(box.left, seed.left) << seed.step << " at " << seed.x;
        EXPECT_EQ(box.top, seed.top) << seed.step << " at " << seed.x;
        EXPECT_EQ(box.right, seed.left + 15);
        EXPECT_EQ(box.bottom, seed.top + 15);
    }
    EXPECT_EQ(groundSeedBox(8).left, 8);
    EXPECT_EQ(groundSeedBox(23).left, 8);
    EXPECT_EQ(groundSeedBox(24).left, 24);
    EXPECT_EQ(groundSeedBox(631).left, 616);
    EXPECT_EQ(groundSeedBox(100).top, 464);
    EXPECT_EQ(groundSeedBox(100).bottom, 479);
}

TEST_F(HostileTest, ASporeOnTheBaseSeedsWithTheSoundOnTheGroundSilently) {
    // Falling at x 190 onto step 2 (its rectangle {182, 416, 198, 432}
    // meets only that step): the plant starts beside step 3, on step 2.
    placeSpore(0, 190, 424, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_EQ(plants[0].active, 1);
    EXPECT_EQ(plants[0].segments[0].box.left, 184);
    EXPECT_EQ(plants[0].segments[0].box.top, 416);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundMetamorphosis}));
    // Touching steps 1 and 0 at once seeds two plants.
    placeSpore(1, 175, 456, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(plants[1].segments[0].box.left, 168);
    EXPECT_EQ(plants[1].segments[0].box.top, 432);
    EXPECT_EQ(plants[2].segments[0].box.left, 152);
    EXPECT_EQ(plants[2].segments[0].box.top, 448);
    // On the ground: a plant, no sound.
    headless::effectRequests().clear();
    placeSpore(2, 60, 472, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(plants[3].segments[0].box.left, 56);
    EXPECT_EQ(plants[3].segments[0].box.top, 464);
    EXPECT_TRUE(effectSlotsStarted().empty());
    // All five plants growing: the next seed on the base is lost, silently.
    seedPlant(cell(600, 464));
    placeSpore(0, 300, 376, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_TRUE(effectSlotsStarted().empty());
}

TEST_F(HostileTest, SporeTestsRunInOrderAndTheSporeShowsOnceMore) {
    // Absorbed by a plant cell on the base's step 5, it still seeds there.
    seedPlant(cell(296, 368));
    placeSpore(0, 300, 376, 0, 1);
    clearSurface(backBuffer, 0);
    ASSERT_TRUE(updateSpores());
    ASSERT_TRUE(plat::displayFlip());
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_EQ(plants[1].active, 1) << "the base test runs after the absorption";
    EXPECT_TRUE(pictureShownAt(headless::presentedFrame(), spores[0].frames[0], 292, 368));
    // Absorbed near the ground: no ground seed.
    seedPlant(cell(56, 464));
    placeSpore(1, 60, 472, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(plants[3].active, 0);
    // Past a side: ended, drawn, no plant, even at the ground.
    placeSpore(2, 7, 472, 0, 1);
    clearSurface(backBuffer, 0);
    ASSERT_TRUE(updateSpores());
    ASSERT_TRUE(plat::displayFlip());
    EXPECT_EQ(spores[2].active, 0);
    EXPECT_EQ(plants[3].active, 0);
    EXPECT_TRUE(pictureShownAt(headless::presentedFrame(), spores[2].frames[0], -1, 464));
    placeSpore(2, 632, 200, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[2].active, 0);
    placeSpore(2, 631, 200, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[2].active, 1);
}

TEST_F(HostileTest, ASporeReachingTheShipCostsAShipWhateverItsState) {
    // Flying: an explosion at the ship, the explosion sound, a ship lost.
    placeSpore(0, 319, 235, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_EQ(shipsLeft, 3);
    EXPECT_EQ(ship.state, ShipRespawning);
    EXPECT_EQ(explosions[0].active, 1);
    EXPECT_EQ(explosions[0].x, 319);
    EXPECT_EQ(explosions[0].y, 259);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
    // Respawning: another ship and the wait restarts.
    headless::advance(500);
    placeSpore(0, 319, 280, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(shipsLeft, 2);
    EXPECT_EQ(respawnTime, headless::tick());
    // With nine explosions playing: no explosion, no sound, still a ship.
    for (int i = 0; i < kExplosionCount; ++i) {
        startExplosion(10, 10);
    }
    headless::effectRequests().clear();
    placeSpore(0, 319, 280, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(shipsLeft, 1);
    EXPECT_TRUE(effectSlotsStarted().empty());
    // After the base fell with a ship left, a spore on the wreck keeps the
    // game lost and lengthens the wait.
    destroyBase();
    headless::advance(2500);
    placeSpore(0, 319, 280, 0, 1);
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(shipsLeft, 0);
    EXPECT_EQ(gameOverTime, headless::tick());
}

TEST_F(HostileTest, LaunchesPickAColumnAndADriftOrDropFromTheSower) {
    randomState = kRandomStart;
    sporeSpawnTime = headless::tick() - 1;
    sporeSpawnDelay = 0;
    ASSERT_TRUE(updateSpores());
    // 229 is in the middle band: a direction, then a speed factor.
    randomState = kRandomStart;
    EXPECT_EQ(randomBelow(640), 229);
    const int32_t d = randomBelow(2) == 1 ? 1 : -1;
    const int32_t vx = randomBelow(3) * d;
    const int32_t delay = nextSpawnDelay();
    EXPECT_EQ(spores[0].vx, vx);
    EXPECT_EQ(spores[0].vy, 1);
    EXPECT_EQ(spores[0].x, 229 + vx) << "moved once in its launch frame";
    EXPECT_EQ(spores[0].y, -7);
    EXPECT_EQ(sporeSpawnDelay, delay);

    // Every band drifts toward the middle or either way in it, and falls.
    for (int i = 0; i < 300; ++i) {
        for (Spore& spore : spores) {
            spore.active = 0;
        }
        const uint64_t before = randomState;
        const int32_t x = randomBelow(640);
        randomState = before;
        sporeSpawnTime = headless::tick() - 1;
        sporeSpawnDelay = 0;
        ASSERT_TRUE(updateSpores());
        ASSERT_EQ(spores[0].vy, sporeSpeed);
        if (x > 480) {
            ASSERT_TRUE(spores[0].vx <= 0 && spores[0].vx >= -2);
        } else if (x < 160) {
            ASSERT_TRUE(spores[0].vx >= 0 && spores[0].vx <= 2);
        } else {
            ASSERT_TRUE(spores[0].vx >= -2 && spores[0].vx <= 2);
        }
    }
    // Three in the air: no launch, but a new delay.
    for (int i = 0; i < kSporeCount; ++i) {
        placeSpore(i, 100 + 100 * i, 100, 0, 0);
    }
    sporeSpawnTime = headless::tick() - 1;
    sporeSpawnDelay = 0;
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(sporeSpawnTime, headless::tick());
    EXPECT_GE(sporeSpawnDelay, 2050);
    // With the sower flying, the spore leaves from its lower edge.
    spores[1].active = 0;
    sower.active = 1;
    sower.x = 300;
    sower.y = 48;
    sporeSpawnTime = headless::tick() - 1;
    sporeSpawnDelay = 0;
    ASSERT_TRUE(updateSpores());
    EXPECT_EQ(spores[1].x, 300 + spores[1].vx);
    EXPECT_EQ(spores[1].y, 72 + spores[1].vy);
}

TEST_F(HostileTest, TheSowerComesAtAThousandCrossesAndReturnsAfterTwentySeconds) {
    score = 999;
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 0);
    score = 1000;
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 1);
    EXPECT_EQ(sower.x, 0);
    EXPECT_EQ(sower.y, 48);
    EXPECT_GE(sower.vx, 1);
    EXPECT_LE(sower.vx, 4);
    EXPECT_EQ(sower.frame, 1) << "drawn in the frame it appears";
    EXPECT_EQ(sowerTurnTime, headless::tick());
    EXPECT_GE(sowerTurnDelay, 3000u);
    EXPECT_LE(sowerTurnDelay, 12999u);
    // It flies level and leaves the first frame x passes 639.
    sowerTurnDelay = 1000000;
    sower.x = 637;
    sower.vx = 3;
    sowerHits = 4;
    clearSurface(backBuffer, 0);
    ASSERT_TRUE(updateSower());
    ASSERT_TRUE(plat::displayFlip());
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(sowerGoneTime, headless::tick());
    EXPECT_FALSE(pictureShownAt(headless::presentedFrame(), sower.frames[0], 616, 24))
        << "not drawn in the frame it leaves";
    // 20000 ms later it still waits; one more and it is back, hits at 0.
    headless::advance(20000);
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 0);
    headless::advance(1);
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 1);
    EXPECT_EQ(sower.x, 0);
    EXPECT_EQ(sowerHits, 0);
    // It turns once more than its delay has passed; close to the left edge
    // that sends it off the screen, gone as soon as x < 0.
    const int32_t vx = sower.vx;
    sower.x = 1;
    sowerTurnTime = headless::tick();
    sowerTurnDelay = 3000;
    headless::advance(3000);
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.vx, vx) << "3000 ms is not more than the delay";
    EXPECT_EQ(sower.x, 1 + vx);
    headless::advance(1);
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.vx, -vx);
    EXPECT_EQ(sower.x, 1);
    EXPECT_EQ(sower.active, 1) << "x 0 is still on the screen";
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(sower.x, 1 - vx);
}

TEST_F(HostileTest, ExplosionsPlayFourteenPicturesAndTheLowestFreeIsReused) {
    for (int i = 0; i < kExplosionCount; ++i) {
        ASSERT_TRUE(startExplosion(10 * i, 20));
    }
    EXPECT_FALSE(startExplosion(500, 500)) << "a tenth does not start";
    EXPECT_EQ(explosions[8].x, 80);
    for (int frame = 0; frame < 13; ++frame) {
        ASSERT_TRUE(drawExplosions());
    }
    EXPECT_EQ(explosions[0].active, 1);
    EXPECT_EQ(explosions[0].frame, 13);
    ASSERT_TRUE(drawExplosions());
    EXPECT_EQ(explosions[0].active, 0) << "after its fourteenth picture";
    explosions[3].active = 0;
    ASSERT_TRUE(startExplosion(7, 7));
    EXPECT_EQ(explosions[0].x, 7);
    ASSERT_TRUE(startExplosion(8, 8));
    EXPECT_EQ(explosions[1].x, 8);
}

TEST_F(HostileTest, EveryFallRestartsTheBaseExplosionAndTheWait) {
    ASSERT_TRUE(gameFrame());
    seedPlant(cell(40, 464));
    destroyBase();
    EXPECT_EQ(plants[0].active, 0);
    for (int frame = 0; frame < 10; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(baseExplosion.frame, 10);
    const uint32_t firstWait = gameOverTime;
    headless::effectRequests().clear();
    destroyBase();
    EXPECT_EQ(baseExplosion.frame, 0);
    EXPECT_EQ(baseExplosion.active, 1);
    EXPECT_GT(gameOverTime, firstWait);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
    for (int frame = 0; frame < 14; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(baseExplosion.active, 0);
    // The ruins show from the next frame on.
    ASSERT_TRUE(gameFrame());
    EXPECT_TRUE(pictureShownAt(headless::presentedFrame(), baseFrames[1], kBaseX, kBaseY));
}

TEST_F(HostileTest, AGameStartReadsTheSheetFourteenTimesAndResetsTheWorld) {
    destroyBase();
    seedPlant(cell(40, 464));
    markRingCell(cell(152, 464), 0, 0);
    startExplosion(1, 1);
    sower.active = 1;
    spores[2].active = 1;
    const int reads = sheetReadCount();
    ASSERT_TRUE(startNewGame());
    EXPECT_EQ(sheetReadCount() - reads, 14);
    EXPECT_EQ(baseIntact, 1);
    EXPECT_EQ(baseExplosion.active, 0);
    EXPECT_EQ(ringCovered(), 0);
    EXPECT_EQ(plants[0].active, 0);
    EXPECT_EQ(explosions[0].active, 0);
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(spores[2].active, 0);
    EXPECT_EQ(ship.state, ShipFlying);
    // The timers that run on across games were not touched.
    EXPECT_EQ(sporeSpawnDelay, INT32_MAX);
}

} // namespace
