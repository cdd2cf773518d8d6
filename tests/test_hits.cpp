// Hits on the ship and by the shots: every row of what ends, what scores,
// which explosion and sound, and the pushes of the base.
#include "support.h"

#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/plants.h"
#include "hostiles/sower.h"
#include "hostiles/spores.h"
#include "player/hits.h"
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

namespace {

using namespace testing_support;
using plat::Key;

Rect cell(int32_t left, int32_t top) {
    return {left, top, left + 15, top + 15};
}

class HitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProgram();
        ASSERT_TRUE(startGame());
        sporeSpawnTime = headless::tick();
        sporeSpawnDelay = INT32_MAX;
        growthTime = headless::tick();
        growthDelay = INT32_MAX;
        headless::effectRequests().clear();
    }
    void TearDown() override { freshProgram(); }

    // A shot that stands at (x, y) after its next move, still.
    static void placeShot(int i, int32_t x, int32_t y) {
        shots[i] = Shot{1, shots[i].frames, x, y, 0, 0, {-4, -4, 4, 4}, 10.0};
    }
    static void placeSpore(int i, int32_t x, int32_t y) {
        spores[i].active = 1;
        spores[i].x = x;
        spores[i].y = y;
        spores[i].vx = 0;
        spores[i].vy = 0;
    }
    static void flySowerAt(int32_t x) {
        sower.active = 1;
        sower.x = x;
        sower.y = 48;
        sower.vx = 0;
        sowerHits = 0;
    }
    // Plant p with its pod at (left, top) and its left arm running left
    // along the same row for cells cells.
    static int32_t growRow(int32_t left, int32_t top, int cells) {
        const int32_t p = seedPlant(cell(left, top));
        for (int s = 1; s <= cells; ++s) {
            plants[p].segments[s] = {cell(left - 16 * s, top), 1};
            markRingCell(cell(left - 16 * s, top), p, s);
        }
        return p;
    }
    // The ship flying, still, centred at (x, y).
    static void placeShip(int32_t x, int32_t y) {
        ship.state = ShipFlying;
        ship.x = x;
        ship.y = y;
        ship.vx = 0;
        ship.vy = 0;
    }

    WorkingDirectory data_{dataDir()};
};

TEST_F(HitTest, AShotEndsOneSporeForAHundredWithASporeBurst) {
    placeSpore(0, 100, 100);
    placeSpore(1, 104, 100);
    placeShot(0, 100, 110);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(shots[0].active, 0);
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_EQ(spores[1].active, 1) << "at most one spore per shot and frame";
    EXPECT_EQ(score, 100);
    EXPECT_EQ(sporesDestroyed, 1);
    EXPECT_EQ(explosions[0].active, 1);
    EXPECT_EQ(explosions[0].x, 100);
    EXPECT_EQ(explosions[0].y, 100);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundSporeExplosion}));
    // A voice started this very moment still reads idle; once it plays, the
    // next burst takes the next voice.
    headless::advance(10);
    placeShot(1, 104, 92);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(spores[1].active, 0);
    EXPECT_EQ(score, 200);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{1, 2}));
}

TEST_F(HitTest, NineExplosionsPlayingLeaveTheScoreButNoExplosionOrBurst) {
    for (int i = 0; i < kExplosionCount; ++i) {
        startExplosion(600, 20);
    }
    placeSpore(0, 100, 100);
    placeShot(0, 100, 100);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(score, 100);
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_TRUE(effectSlotsStarted().empty());
    // The ship touching a plant plays the explosion all the same.
    growRow(40, 464, 0);
    placeShip(44, 450);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(shipsLeft, 3);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
}

TEST_F(HitTest, TheSowerTakesTenShotsThenGoesForFiveHundred) {
    flySowerAt(300);
    for (int hit = 1; hit <= 9; ++hit) {
        placeShot(0, 300, 70);
        ASSERT_TRUE(updateShots());
        ASSERT_EQ(sowerHits, hit);
        ASSERT_EQ(shots[0].active, 0);
        ASSERT_EQ(sower.active, 1);
    }
    EXPECT_EQ(score, 0);
    EXPECT_TRUE(effectSlotsStarted().empty());
    headless::advance(5);
    placeShot(0, 276, 24);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(sowerHits, 10);
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(score, 500);
    EXPECT_EQ(sporesDestroyed, 1);
    EXPECT_EQ(sowerGoneTime, headless::tick());
    EXPECT_EQ(explosions[0].x, 300);
    EXPECT_EQ(explosions[0].y, 48);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
    // Its return starts the count again.
    score = 1000;
    headless::advance(20001);
    ASSERT_TRUE(updateSower());
    EXPECT_EQ(sower.active, 1);
    EXPECT_EQ(sowerHits, 0);
}

TEST_F(HitTest, RammingTheSowerKillsItAndCostsAShip) {
    flySowerAt(300);
    sowerHits = 4;
    placeShip(300, 80);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(sowerHits, 4) << "ramming leaves the count";
    EXPECT_EQ(score, 500);
    EXPECT_EQ(sporesDestroyed, 1);
    EXPECT_EQ(shipsLeft, 3);
    EXPECT_EQ(ship.state, ShipRespawning);
    EXPECT_EQ(ship.x, 319) << "drawn at its respawn point in this frame";
    EXPECT_EQ(explosions[0].x, 300);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
}

TEST_F(HitTest, TheShipOnAPlantKillsOneCellOrTheWholePlantByItsFirstArmCell) {
    // The pod alone goes; the plant and its ring cell stay.
    const int32_t p = growRow(152, 464, 2);
    ASSERT_EQ(baseRing[0].plant, p);
    placeShip(160, 444);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(plants[p].segments[0].alive, 0);
    EXPECT_EQ(plants[p].segments[1].alive, 1);
    EXPECT_EQ(plants[p].active, 1);
    EXPECT_EQ(baseRing[0].plant, p) << "the ship frees no ring cell";
    EXPECT_EQ(plantsDestroyed, 0);
    EXPECT_EQ(explosions[0].x, 160);
    EXPECT_EQ(explosions[0].y, 472);
    EXPECT_EQ(shipsLeft, 3);
    // Segment 1 takes the whole plant, counted, without points.
    placeShip(136, 444);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(plants[p].active, 0);
    for (const PlantSegment& segment : plants[p].segments) {
        EXPECT_EQ(segment.alive, 0);
    }
    EXPECT_EQ(plantsDestroyed, 1);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(shipsLeft, 2);
    // An arm's later cell goes alone.
    const int32_t q = growRow(600, 464, 3);
    placeShip(540, 444);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(plants[q].segments[3].alive, 0);
    EXPECT_EQ(plants[q].segments[2].alive, 1);
    EXPECT_EQ(plants[q].active, 1);
    EXPECT_EQ(shipsLeft, 1);
}

TEST_F(HitTest, OneFrameCanCostAShipForEachPlantAndTheSowerButNotBelowZero) {
    shipsLeft = 2;
    growRow(312, 352, 0);
    growRow(328, 352, 0);
    flySowerAt(320);
    sower.y = 320;
    placeShip(320, 340);
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(shipsLeft, 0);
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(sower.active, 0);
    EXPECT_EQ(score, 500);
    EXPECT_EQ(gameOverTime, headless::tick());
    EXPECT_EQ(ship.x, 319) << "the first loss sent it to its start point";
}

TEST_F(HitTest, AShotOnAPodTakesThePlantAndFreesItsRingCells) {
    // The pod on the ring cell at (296, 368), its arm on the three to its
    // left.
    const int32_t p = growRow(296, 368, 3);
    ASSERT_EQ(baseRing[10].plant, p);
    ASSERT_EQ(baseRing[7].plant, p);
    placeShot(0, 304, 366);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(plants[p].active, 0);
    EXPECT_EQ(plants[p].segments[2].alive, 0);
    EXPECT_EQ(score, 50);
    EXPECT_EQ(plantsDestroyed, 1);
    for (const RingCell& ringCell : baseRing) {
        EXPECT_EQ(ringCell.plant, kFreeRingCell);
        EXPECT_EQ(ringCell.segment, kFreeRingCell);
    }
    EXPECT_EQ(explosions[0].x, 304);
    EXPECT_EQ(explosions[0].y, 376);
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundSporeExplosion}));
}

TEST_F(HitTest, AShotOnAnArmCellCutsTheArmToItsTipAndOneCellOfEachPlant) {
    // A left arm of twenty cells along rows 464 and 448, and a right arm.
    const int32_t p = seedPlant(cell(472, 464));
    for (int s = 1; s <= 20; ++s) {
        const Rect box = s <= 10 ? cell(472 - 16 * s, 464) : cell(472 - 16 * (s - 10), 448);
        plants[p].segments[s] = {box, 1};
        markRingCell(box, p, s);
    }
    plants[p].segments[21] = {cell(488, 464), 1};
    // Segment 5 is at (392, 464); its neighbours 4 and 6 stand beside it.
    placeShot(0, 400, 472);
    // The shot also touches the base's bottom step; all its tests run.
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(plants[p].segments[4].alive, 1);
    for (int s = 5; s <= 20; ++s) {
        EXPECT_EQ(plants[p].segments[s].alive, 0) << s;
    }
    EXPECT_EQ(plants[p].segments[21].alive, 1) << "the other arm stays";
    EXPECT_EQ(score, 20) << "one cell of the plant, not two";
    EXPECT_EQ(baseHits, 1);
    // None of the cut cells lies on the ring; the pod's cell does.
    EXPECT_EQ(baseRing[22].plant, p) << "the pod's ring cell stays";
    // A shot on segment 21 clears the whole right arm.
    plants[p].segments[22] = {cell(504, 464), 1};
    placeShot(0, 496, 472);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(plants[p].segments[21].alive, 0);
    EXPECT_EQ(plants[p].segments[22].alive, 0);
    EXPECT_EQ(plants[p].segments[4].alive, 1);
    EXPECT_EQ(score, 40);

    // One shot between two plants cuts a cell of each.
    const int32_t a = growRow(88, 464, 2);
    const int32_t b = growRow(120, 464, 1);
    placeShot(1, 104, 472);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(plants[a].active, 0) << "the shot took a's pod at 88..103";
    EXPECT_EQ(plants[b].segments[1].alive, 0);
    EXPECT_EQ(score, 40 + 50 + 20);
}

TEST_F(HitTest, ArmCutsFreeTheRingCellsOfTheCutSegmentsOnly) {
    // The left arm holds the ring cells of the base's top row from 376
    // (segment 1) to 248 (segment 9); segment 5 sits on 312.
    const int32_t p = seedPlant(cell(392, 368));
    for (int s = 1; s <= 9; ++s) {
        plants[p].segments[s] = {cell(392 - 16 * s, 368), 1};
        markRingCell(cell(392 - 16 * s, 368), p, s);
    }
    ASSERT_EQ(baseRing[11].plant, p);
    ASSERT_EQ(baseRing[11].segment, 5);
    placeShot(0, 320, 366);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(plants[p].segments[4].alive, 1);
    EXPECT_EQ(plants[p].segments[5].alive, 0);
    for (int i = 7; i <= 15; ++i) {
        const bool cut = i <= 11;
        EXPECT_EQ(baseRing[i].plant, cut ? kFreeRingCell : p) << i;
    }
}

TEST_F(HitTest, ShotsOnTheBaseCountAndTheThirdBringsItDownEvenAfterItFell) {
    for (int hit = 1; hit <= 2; ++hit) {
        placeShot(0, 300, 380);
        ASSERT_TRUE(updateShots());
        EXPECT_EQ(baseHits, hit);
        EXPECT_EQ(baseIntact, 1);
    }
    markRingCell(cell(152, 464), 0, 0);
    headless::advance(100);
    placeShot(0, 300, 380);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(baseHits, 3);
    EXPECT_EQ(baseIntact, 0);
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(shipsLeft, 4);
    EXPECT_EQ(baseRing[0].plant, 0) << "the shot's fall leaves the ring";
    EXPECT_EQ(effectSlotsStarted(), (std::vector<int32_t>{SoundExplosion}));
    // During the wait, a further hit falls again and lengthens the wait.
    const uint32_t firstWait = gameOverTime;
    headless::advance(2000);
    placeShot(0, 180, 470);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(baseHits, 4);
    EXPECT_EQ(gameOverTime, firstWait + 2000);
    EXPECT_EQ(baseExplosion.frame, 0);
}

TEST_F(HitTest, AShotCanEndASporeAndCountABaseHitInOneFrame) {
    placeSpore(0, 300, 376);
    placeShot(0, 300, 382);
    ASSERT_TRUE(updateShots());
    EXPECT_EQ(spores[0].active, 0);
    EXPECT_EQ(score, 100);
    EXPECT_EQ(baseHits, 1);
    EXPECT_EQ(shots[0].active, 0);
}

TEST_F(HitTest, TheBasePushesTheShipBackAgainstTheHeldArrow) {
    // Down into the top step: the ship comes to rest just above it.
    placeShip(300, 370);
    headless::holdKeys({Key::Down});
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(ship.y, 384 - 17);
    EXPECT_EQ(ship.muzzleY, ship.y - 20) << "the muzzle follows";
    EXPECT_EQ(shipsLeft, 4);
    // Sideways into steps 1 and 2 at once: the lower step has the last
    // word; with both arrows held the right arrow's value stands.
    placeShip(470, 440);
    headless::holdKeys({Key::Left});
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(ship.x, 471 + 16) << "step 1's right edge, not step 2's 455";
    placeShip(470, 440);
    ship.angle = 90.0;
    headless::holdKeys({Key::Left, Key::Right});
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(ship.x, 168 - 16);
    EXPECT_EQ(ship.angle, 90.0);
    // At 90 degrees the shortened pi leaves the muzzle a hair left of the
    // centre, cut to the column before.
    EXPECT_EQ(ship.muzzleX, ship.x - 1);
    // No arrow held: the ship stays where it is, muzzle recomputed.
    placeShip(300, 370);
    ship.muzzleX = 0;
    headless::holdKeys({Key::Up});
    ASSERT_TRUE(updateShip());
    EXPECT_EQ(ship.y, 370);
    EXPECT_EQ(ship.muzzleX, 299);
}

TEST_F(HitTest, DifficultyRisesWithTheScoreAndTheShiftCarriesIntoTheNextGame) {
    headless::holdKeys({});
    const std::pair<int32_t, std::pair<int32_t, int32_t>> steps[] = {
        {5000, {0, 1}}, {5001, {2, 1}}, {10001, {4, 2}}, {25001, {8, 3}}};
    for (const auto& [reached, expected] : steps) {
        score = reached;
        ASSERT_TRUE(gameFrame());
        EXPECT_EQ(spawnDelayShift, expected.first) << reached;
        EXPECT_EQ(sporeSpeed, expected.second) << reached;
    }
    ASSERT_TRUE(startNewGame());
    EXPECT_EQ(spawnDelayShift, 8);
    EXPECT_EQ(sporeSpeed, 1);
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(spawnDelayShift, 8) << "kept until the score passes 5000 again";
}

} // namespace
