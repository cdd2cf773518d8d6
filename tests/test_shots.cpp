// The ship's trigger and its shots: the step tables, the 200 ms wait, four
// shots in flight, the screen's edges, and a lost ship or game.
#include "support.h"

#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/screens.h"
#include "shell/status.h"
#include "sound/effects.h"
#include "sound/wave.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using plat::Key;

// One row per heading θ of 0..85: the steps at θ, θ + 90, θ + 180, θ + 270.
struct StepRow {
    int theta;
    int step[4][2];
};

// Thrust steps of the ship, 5 pixels along the heading.
constexpr StepRow kShipSteps[] = {
    {0, {{-5, 0}, {0, -4}, {4, 0}, {0, 4}}},    {5, {{-4, 0}, {0, -4}, {4, 0}, {0, 4}}},
    {10, {{-4, 0}, {0, -4}, {4, 0}, {0, 4}}},   {15, {{-4, -1}, {1, -4}, {4, 1}, {-1, 4}}},
    {20, {{-4, -1}, {1, -4}, {4, 1}, {-1, 4}}}, {25, {{-4, -2}, {2, -4}, {4, 2}, {-2, 4}}},
    {30, {{-4, -2}, {2, -4}, {4, 2}, {-2, 4}}}, {35, {{-4, -2}, {2, -4}, {4, 2}, {-2, 4}}},
    {40, {{-3, -3}, {3, -3}, {3, 3}, {-3, 3}}}, {45, {{-3, -3}, {3, -3}, {3, 3}, {-3, 3}}},
    {50, {{-3, -3}, {3, -3}, {3, 3}, {-3, 3}}}, {55, {{-2, -4}, {4, -2}, {2, 4}, {-4, 2}}},
    {60, {{-2, -4}, {4, -2}, {2, 4}, {-4, 2}}}, {65, {{-2, -4}, {4, -2}, {2, 4}, {-4, 2}}},
    {70, {{-1, -4}, {4, -1}, {1, 4}, {-4, 1}}}, {75, {{-1, -4}, {4, -1}, {1, 4}, {-4, 1}}},
    {80, {{0, -4}, {4, 0}, {0, 4}, {-4, 0}}},   {85, {{0, -4}, {4, 0}, {0, 4}, {-4, 0}}},
};

// Shot steps, 10 pixels along the heading at launch.
constexpr StepRow kShotSteps[] = {
    {0, {{-10, 0}, {0, -9}, {9, 0}, {0, 9}}},   {5, {{-9, 0}, {0, -9}, {9, 0}, {0, 9}}},
    {10, {{-9, -1}, {1, -9}, {9, 1}, {-1, 9}}}, {15, {{-9, -2}, {2, -9}, {9, 2}, {-2, 9}}},
    {20, {{-9, -3}, {3, -9}, {9, 3}, {-3, 9}}}, {25, {{-9, -4}, {4, -9}, {9, 4}, {-4, 9}}},
    {30, {{-8, -4}, {4, -8}, {8, 4}, {-4, 8}}}, {35, {{-8, -5}, {5, -8}, {8, 5}, {-5, 8}}},
    {40, {{-7, -6}, {6, -7}, {7, 6}, {-6, 7}}}, {45, {{-7, -7}, {7, -7}, {7, 7}, {-7, 7}}},
    {50, {{-6, -7}, {7, -6}, {6, 7}, {-7, 6}}}, {55, {{-5, -8}, {8, -5}, {5, 8}, {-8, 5}}},
    {60, {{-5, -8}, {8, -5}, {5, 8}, {-8, 5}}}, {65, {{-4, -9}, {9, -4}, {4, 9}, {-9, 4}}},
    {70, {{-3, -9}, {9, -3}, {3, 9}, {-9, 3}}}, {75, {{-2, -9}, {9, -2}, {2, 9}, {-9, 2}}},
    {80, {{-1, -9}, {9, -1}, {1, 9}, {-9, 1}}}, {85, {{0, -9}, {9, 0}, {0, 9}, {-9, 0}}},
};

class ShotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProgram(startTick());
        ASSERT_TRUE(startGame());
    }
    void TearDown() override { freshProgram(); }
    virtual uint32_t startTick() const { return 10000000; }

    // The frames of a run in which the laser was asked for.
    std::vector<int> laserFrames(int frames) {
        std::vector<int> fired;
        for (int frame = 1; frame <= frames; ++frame) {
            const size_t before = headless::effectRequests().size();
            EXPECT_TRUE(gameFrame());
            for (size_t i = before; i < headless::effectRequests().size(); ++i) {
                if (headless::effectRequests()[i].buffer == soundBuffers[SoundLaser]) {
                    fired.push_back(frame);
                }
            }
        }
        return fired;
    }

    static int shotsInFlight() {
        int n = 0;
        for (const Shot& shot : shots) {
            n += shot.active;
        }
        return n;
    }

    // A shot in flight that will stand at (x, y) after its next move.
    static void placeShot(int index, int32_t x, int32_t y, int32_t vx, int32_t vy) {
        shots[index].active = 1;
        shots[index].x = x - vx;
        shots[index].y = y - vy;
        shots[index].vx = vx;
        shots[index].vy = vy;
    }

    WorkingDirectory data_{dataDir()};
};

class ShotTestAtTheWrap : public ShotTest {
    uint32_t startTick() const override { return 0xFFFFFFFFu - 300; }
};

TEST(StepTables, EveryHeadingGivesTheTabledStepForShipAndShot) {
    for (const auto& [table, magnitude] :
         {std::pair{kShipSteps, 5.0}, std::pair{kShotSteps, 10.0}}) {
        for (int row = 0; row < 18; ++row) {
            for (int quarter = 0; quarter < 4; ++quarter) {
                const int angle = table[row].theta + 90 * quarter;
                const Step step = stepFor(angle, magnitude);
                EXPECT_EQ(step.x, table[row].step[quarter][0]) << angle << " at " << magnitude;
                EXPECT_EQ(step.y, table[row].step[quarter][1]) << angle << " at " << magnitude;
            }
        }
    }
}

TEST_F(ShotTest, HeldTriggerFiresEvery200MsFromTheMuzzleWithTheLaser) {
    for (int i = 1; i < kShotCount; ++i) {
        EXPECT_NE(shots[i].frames[0], shots[0].frames[0]) << "each shot has its own picture";
    }
    headless::holdKeys({Key::Space});
    const uint32_t firstFrameStart = headless::tick();
    ASSERT_TRUE(gameFrame());
    // Launched from the muzzle (319, 239) and moved once before it shows.
    EXPECT_EQ(shots[0].active, 1);
    EXPECT_EQ(shots[0].x, 319);
    EXPECT_EQ(shots[0].y, 230);
    EXPECT_EQ(shots[0].vx, 0);
    EXPECT_EQ(shots[0].vy, -9);
    EXPECT_EQ(lastShotTime, firstFrameStart);
    EXPECT_TRUE(pictureShownAt(headless::presentedFrame(), shots[0].frames[0], 315, 226));
    // Seven frames are 196 ms, eight are 224 ms: the next launches come on
    // frames 9, 17 and 25; then the first shot has left the screen (frame
    // 27) and its record is taken again on frame 33.
    std::vector<int> fired = laserFrames(40);
    EXPECT_EQ(fired, (std::vector<int>{8, 16, 24, 32, 40})) << "counted from frame 2";
    EXPECT_EQ(shotsInFlight(), 4);
}

TEST_F(ShotTest, FourShotsInFlightPostponeTheNextLaunchFromEachAttempt) {
    // Four shots that fly sideways along the middle and stay on screen.
    for (int i = 0; i < 4; ++i) {
        placeShot(i, 100 + 10 * i, 200, 0, 0);
    }
    headless::holdKeys({Key::Space});
    const uint32_t attempt = headless::tick();
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(lastShotTime, attempt) << "the wait restarted";
    EXPECT_TRUE(headless::effectRequests().empty()) << "no shot, no sound";
    // Free one shot 100 ms later: the trigger still waits until 200 ms
    // after the refused attempt, then takes the freed record.
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    shots[2].active = 0;
    int frames = 0;
    while (shots[2].active == 0 && frames < 20) {
        ASSERT_TRUE(gameFrame());
        ++frames;
    }
    EXPECT_EQ(frames, 5) << "on the eighth frame after the attempt";
    EXPECT_EQ(shots[2].x, 319);
    EXPECT_EQ(headless::effectRequests().size(), 1u);
}

TEST_F(ShotTestAtTheWrap, TheWaitIsAnUnsignedDifferenceAcrossTheWrap) {
    headless::holdKeys({Key::Space});
    std::vector<int> fired = laserFrames(26);
    EXPECT_EQ(fired, (std::vector<int>{1, 9, 17, 25}));
    EXPECT_LT(headless::tick(), 1000u) << "the counter wrapped during the run";
}

TEST_F(ShotTest, ShotsEndWhenTheirCentreLeavesTheScreenAndShowOnceMore) {
    struct Edge {
        int32_t x, y, vx, vy;
        bool stays;
    };
    const Edge edges[] = {
        {60, 471, 0, 9, true},   {60, 472, 0, 9, false},  {639, 200, 9, 0, true},
        {640, 200, 9, 0, false}, {0, 200, -10, 0, true},  {-1, 200, -10, 0, false},
        {300, 0, 0, -9, true},   {300, -1, 0, -9, false},
    };
    for (const Edge& edge : edges) {
        for (Shot& shot : shots) {
            shot.active = 0;
        }
        placeShot(1, edge.x, edge.y, edge.vx, edge.vy);
        clearSurface(backBuffer, 0);
        ASSERT_TRUE(updateShots());
        ASSERT_TRUE(plat::displayFlip());
        EXPECT_EQ(shots[1].active, edge.stays ? 1 : 0) << edge.x << ", " << edge.y;
        EXPECT_EQ(shots[1].x, edge.x);
        EXPECT_EQ(shots[1].y, edge.y);
        if (edge.y >= 4 && edge.y <= 474 && edge.x >= 4 && edge.x <= 634) {
            EXPECT_TRUE(pictureShownAt(headless::presentedFrame(), shots[1].frames[0], edge.x - 4,
                                       edge.y - 4))
                << "drawn in the frame in which it ends";
        }
        // A shot that ended is not moved again.
        ASSERT_TRUE(updateShots());
        EXPECT_EQ(shots[1].x, edge.stays ? edge.x + edge.vx : edge.x);
    }
}

TEST_F(ShotTest, NoFiringWhileRespawningOrLostButShotsInFlightFlyOn) {
    headless::holdKeys({Key::Space});
    ASSERT_TRUE(gameFrame());
    ASSERT_EQ(shotsInFlight(), 1);
    loseShip();
    ASSERT_EQ(ship.state, ShipRespawning);
    const int32_t y = shots[0].y;
    // Over 2000 ms of respawning the trigger does nothing and the shot flies.
    for (int frame = 0; frame < 20; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(shotsInFlight(), 1);
    EXPECT_EQ(shots[0].y, y - 20 * 9);
    shipsLeft = 1;
    loseShip();
    ASSERT_EQ(ship.state, ShipGameOver);
    for (int frame = 0; frame < 10; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(shots[0].active, 0) << "left the screen at the top";
    EXPECT_EQ(shots[1].active, 0) << "nothing fired after the game was lost";
}

TEST_F(ShotTest, AShotAfterARespawnLeavesFromWhereTheShipWasLost) {
    // Turn to 180 degrees and fly right: the muzzle goes with the ship.
    headless::holdKeys({Key::Right});
    for (int frame = 0; frame < 18; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    headless::holdKeys({Key::Up});
    for (int frame = 0; frame < 10; ++frame) {
        ASSERT_TRUE(gameFrame());
    }
    ASSERT_EQ(ship.angle, 180.0);
    const int32_t muzzleX = ship.muzzleX;
    const int32_t muzzleY = ship.muzzleY;
    EXPECT_EQ(muzzleX, ship.x + 19);
    loseShip();
    headless::holdKeys({});
    while (ship.state != ShipFlying) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(ship.x, 319);
    headless::holdKeys({Key::Space});
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(shots[0].x, muzzleX + 9);
    EXPECT_EQ(shots[0].y, muzzleY);
}

TEST_F(ShotTest, ALostGameStaysLostWhateverShipsAreLeft) {
    // The base fell with three ships left; a spore then reaches the wreck.
    shipsLeft = 3;
    ship.state = ShipGameOver;
    gameOverTime = headless::tick();
    ship.x = 100;
    ship.y = 300;
    headless::advance(1000);
    loseShip();
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(shipsLeft, 2);
    EXPECT_EQ(gameOverTime, headless::tick()) << "the wait starts anew";
    EXPECT_EQ(ship.x, 100) << "the wreck stays where it was";
    shipsLeft = 0;
    loseShip();
    EXPECT_EQ(shipsLeft, 0) << "never below 0";
    // The title comes after the renewed wait, not a respawned ship.
    const int titles = titleScreensShown;
    headless::holdKeys({});
    headless::hooks().idle = [] {
        if (headless::elapsed() > 200000) {
            headless::holdKeys({Key::Enter});
        }
    };
    int frames = 0;
    while (titleScreensShown == titles && frames < 200) {
        ASSERT_NE(ship.state, ShipRespawning);
        ASSERT_TRUE(gameFrame());
        ++frames;
    }
    EXPECT_EQ(titleScreensShown, titles + 1);
    EXPECT_EQ(frames, 109) << "the first frame more than 3000 ms after the last loss";
}

} // namespace
