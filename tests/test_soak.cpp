// The soak: its checker fed states broken on purpose, its keys, and its
// runs of the real program, replayed by the soak and by the simulator.
#include "support.h"

#include "invariants.h"
#include "keys.h"
#include "soak.h"

#include "autopilot.h"
#include "hostiles/base.h"
#include "player/ship.h"
#include "shell/status.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace {

using namespace testing_support;
using soak::Checker;
using soak::World;

constexpr uint32_t kEnter = headless::keyBit(plat::Key::Enter);

// The lines of one group of invariants among the broken ones.
bool breaks(const std::vector<std::string>& broken, const std::string& group) {
    return std::any_of(broken.begin(), broken.end(),
                       [&](const std::string& line) { return line.starts_with(group + ": "); });
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

Rect cell(int32_t left, int32_t top) {
    return {left, top, left + 15, top + 15};
}

// The program's tables after a real game start.
struct StartTables {
    Shot shots[kShotCount]{};
    Spore spores[kSporeCount]{};
    Plant plants[kPlantCount]{};
    Explosion explosions[kExplosionCount]{};
    RingCell ring[kRingCellCount]{};
    World world{};
};

// A copy of the program's tables after a real game start, which the tests
// change as frames would, or break.
// Public, for the cases of the tests that break them.
class CheckerTest : public ::testing::Test {
  public:
    // One real game start for the whole suite; each test starts from a copy.
    static void SetUpTestSuite() {
        freshProgram();
        WorkingDirectory data(dataDir());
        ASSERT_TRUE(startGame());
        std::copy(std::begin(::shots), std::end(::shots), start_.shots);
        std::copy(std::begin(::spores), std::end(::spores), start_.spores);
        std::copy(std::begin(::plants), std::end(::plants), start_.plants);
        std::copy(std::begin(::explosions), std::end(::explosions), start_.explosions);
        std::copy(std::begin(baseRing), std::end(baseRing), start_.ring);
        start_.world = soak::programWorld(kEnter);
        freshProgram();
    }

    void SetUp() override { reset(); }

    // Back to the game start, with a new checker.
    void reset() {
        std::copy(std::begin(start_.shots), std::end(start_.shots), shots_);
        std::copy(std::begin(start_.spores), std::end(start_.spores), spores_);
        std::copy(std::begin(start_.plants), std::end(start_.plants), plants_);
        std::copy(std::begin(start_.explosions), std::end(start_.explosions), explosions_);
        std::copy(std::begin(start_.ring), std::end(start_.ring), ring_);
        world_ = start_.world;
        world_.shots = shots_;
        world_.spores = spores_;
        world_.plants = plants_;
        world_.explosions = explosions_;
        world_.ring = ring_;
        checker_ = Checker{};
        const auto broken = checker_.start(world_);
        ASSERT_TRUE(broken.empty()) << joined(broken);
    }

    // One more frame of 28 ms, with whatever the test changed.
    std::vector<std::string> frame() {
        world_.frameStartTime = world_.tick;
        world_.tick += 28;
        return checker_.afterFrame(world_);
    }
    // The frame that ends a game and runs the title screen: no time, the
    // next game's counters.
    std::vector<std::string> titleFrame() {
        world_.frameStartTime = world_.tick;
        world_.titleScreens += 1;
        return checker_.afterFrame(world_);
    }
    void expectHolds(const std::vector<std::string>& broken) {
        EXPECT_TRUE(broken.empty()) << joined(broken);
    }

    // Plant p with its pod and a left arm along the ground, cells at the
    // given left edges, top 464.
    void grow(int32_t p, std::initializer_list<int32_t> lefts) {
        Plant& plant = plants_[p];
        plant.active = 1;
        int32_t s = 0;
        for (int32_t left : lefts) {
            plant.segments[s].box = cell(left, 464);
            plant.segments[s].alive = 1;
            ++s;
        }
    }
    void mark(int32_t i, int32_t p, int32_t s) {
        ring_[i].plant = p;
        ring_[i].segment = s;
    }
    void clear(int32_t p) {
        plants_[p].active = 0;
        for (PlantSegment& segment : plants_[p].segments) {
            segment.alive = 0;
        }
    }
    void shipAt(int32_t x, int32_t y) {
        world_.ship.x = x;
        world_.ship.y = y;
    }

    static inline StartTables start_;
    Shot shots_[kShotCount]{};
    Spore spores_[kSporeCount]{};
    Plant plants_[kPlantCount]{};
    Explosion explosions_[kExplosionCount]{};
    RingCell ring_[kRingCellCount]{};
    World world_{};
    Checker checker_;
};

TEST_F(CheckerTest, AGameStartAndQuietFramesHold) {
    EXPECT_EQ(world_.shipsLeft, 4);
    EXPECT_GT(world_.liveSurfaces, 200);
    EXPECT_EQ(world_.ring[0].x, 152);
    for (int i = 0; i < 5; ++i) {
        expectHolds(frame());
    }
    EXPECT_EQ(checker_.stats().frames, 5u);
    EXPECT_EQ(checker_.stats().games, 1u);
}

// Every invariant that needs no history, broken one at a time on the state
// of a fresh game.
TEST_F(CheckerTest, EachBrokenFieldIsCaughtByItsGroup) {
    struct Case {
        const char* what;
        std::function<void(CheckerTest&)> breakIt;
        const char* group;
    };
    const Case cases[] = {
        {"three shots",
         [](CheckerTest& t) {
             t.world_.shots = {t.shots_, 3};
         },
         "pool sizes"},
        {"ten explosions",
         [](CheckerTest& t) {
             t.world_.explosions = {t.explosions_, 10};
         },
         "pool sizes"},
        {"22 ring cells",
         [](CheckerTest& t) {
             t.world_.ring = {t.ring_, 22};
         },
         "pool sizes"},
        {"shot active 2", [](CheckerTest& t) { t.shots_[3].active = 2; }, "active flags"},
        {"spore active -1", [](CheckerTest& t) { t.spores_[0].active = -1; }, "active flags"},
        {"plant active 3", [](CheckerTest& t) { t.plants_[4].active = 3; }, "active flags"},
        {"explosion active 2", [](CheckerTest& t) { t.explosions_[8].active = 2; }, "active flags"},
        {"segment alive 2",
         [](CheckerTest& t) {
             t.grow(1, {40});
             t.plants_[1].segments[0].alive = 2;
         },
         "active flags"},
        {"sower active 2", [](CheckerTest& t) { t.world_.sower.active = 2; }, "active flags"},
        {"base explosion active 5", [](CheckerTest& t) { t.world_.baseExplosion.active = 5; },
         "active flags"},
        {"base intact 2", [](CheckerTest& t) { t.world_.baseIntact = 2; }, "active flags"},
        {"ship state 3", [](CheckerTest& t) { t.world_.ship.state = 3; }, "active flags"},
        {"five ships", [](CheckerTest& t) { t.world_.shipsLeft = 5; }, "ships left"},
        {"minus one ship",
         [](CheckerTest& t) {
             t.world_.shipsLeft = -1;
             t.world_.ship.state = ShipGameOver;
         },
         "ships left"},
        {"no ship, still flying", [](CheckerTest& t) { t.world_.shipsLeft = 0; }, "ships left"},
        {"negative score", [](CheckerTest& t) { t.world_.score = -20; }, "counters"},
        {"cell off the grid", [](CheckerTest& t) { t.grow(0, {16}); }, "plant cells"},
        {"cell between rows",
         [](CheckerTest& t) {
             t.grow(0, {40});
             t.plants_[0].segments[0].box = {40, 456, 55, 471};
         },
         "plant cells"},
        {"cell 17 wide",
         [](CheckerTest& t) {
             t.grow(0, {40});
             t.plants_[0].segments[0].box.right += 1;
         },
         "plant cells"},
        {"cell past the right edge", [](CheckerTest& t) { t.grow(0, {632}); }, "plant cells"},
        {"cell at the end of the numbers",
         [](CheckerTest& t) {
             t.grow(0, {40});
             t.plants_[0].segments[0].box = {INT32_MIN, 464, INT32_MAX, 479};
         },
         "plant cells"},
        {"cell of a free plant",
         [](CheckerTest& t) {
             t.grow(0, {40});
             t.plants_[0].active = 0;
         },
         "plant cells"},
        {"ring record half free", [](CheckerTest& t) { t.mark(3, 100, 4); }, "ring cells"},
        {"ring record of plant 7", [](CheckerTest& t) { t.mark(3, 7, 0); }, "ring cells"},
        {"ring cell moved", [](CheckerTest& t) { t.ring_[5].x += 16; }, "ring cells"},
        {"explosion at picture 14",
         [](CheckerTest& t) {
             t.explosions_[2].active = 1;
             t.explosions_[2].frame = 14;
         },
         "picture indices"},
        {"explosion not yet drawn",
         [](CheckerTest& t) {
             t.explosions_[2].active = 1;
             t.explosions_[2].frame = 0;
         },
         "picture indices"},
        {"base fall at picture 14",
         [](CheckerTest& t) {
             t.world_.baseExplosion.active = 1;
             t.world_.baseExplosion.frame = 14;
         },
         "picture indices"},
        {"sower at picture 6",
         [](CheckerTest& t) {
             t.world_.sower.active = 1;
             t.world_.sower.frame = 6;
         },
         "picture indices"},
        {"ship at 7 degrees", [](CheckerTest& t) { t.world_.ship.angle = 7; }, "picture indices"},
        {"ship at 360 degrees", [](CheckerTest& t) { t.world_.ship.angle = 360; },
         "picture indices"},
        {"ship picture 72", [](CheckerTest& t) { t.world_.ship.frame = 72; }, "picture indices"},
        {"a picture more", [](CheckerTest& t) { t.world_.liveSurfaces += 1; }, "live pictures"},
        {"an effect buffer less", [](CheckerTest& t) { t.world_.liveSoundBuffers -= 1; },
         "effect buffers"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        expectHolds(frame());
        c.breakIt(*this);
        const auto broken = frame();
        EXPECT_TRUE(breaks(broken, c.group)) << joined(broken);
    }
}

TEST_F(CheckerTest, ShipsAndCountersNeverRiseBackWithinAGameButStartOverWithTheNext) {
    world_.shipsLeft = 3;
    world_.score = 500;
    expectHolds(frame());
    world_.shipsLeft = 4;
    EXPECT_TRUE(breaks(frame(), "ships left"));

    reset();
    world_.score = 500;
    world_.baseHits = 2;
    expectHolds(frame());
    world_.score = 400;
    EXPECT_TRUE(breaks(frame(), "counters"));
    world_.baseHits = 1;
    EXPECT_TRUE(breaks(frame(), "counters"));

    // A new game puts them back.
    reset();
    world_.shipsLeft = 1;
    world_.score = 900;
    expectHolds(frame());
    world_.shipsLeft = 4;
    world_.score = 0;
    expectHolds(titleFrame());
    expectHolds(frame());
}

TEST_F(CheckerTest, EveryFrameTakes28MsButTheTitleFrameNone) {
    world_.tick += 29;
    world_.frameStartTime = world_.tick - 29;
    EXPECT_TRUE(breaks(checker_.afterFrame(world_), "clock"));

    reset();
    world_.frameStartTime = world_.tick;
    world_.tick += 27;
    EXPECT_TRUE(breaks(checker_.afterFrame(world_), "clock"));

    // A frame that did not start where the last one ended.
    reset();
    world_.frameStartTime = world_.tick + 1;
    world_.tick += 28;
    EXPECT_TRUE(breaks(checker_.afterFrame(world_), "clock"));

    // The title frame with Enter held takes no time, and only that one.
    reset();
    expectHolds(titleFrame());
    world_.frameStartTime = world_.tick;
    world_.tick += 28;
    world_.titleScreens += 1;
    EXPECT_TRUE(breaks(checker_.afterFrame(world_), "clock"));

    // The clock wraps at 32 bits without harm.
    reset();
    world_.tick = 0xFFFFFFF0u;
    checker_ = Checker{};
    ASSERT_TRUE(checker_.start(world_).empty());
    for (int i = 0; i < 3; ++i) {
        expectHolds(frame());
    }
}

TEST_F(CheckerTest, PicturesAndBuffersStayTheSameAcrossGameStarts) {
    expectHolds(titleFrame());
    world_.liveSurfaces += 14;
    EXPECT_TRUE(breaks(titleFrame(), "live pictures"));
}

TEST_F(CheckerTest, ARingRecordNamesALiveCellOrWentStaleByTheShipOrAFall) {
    // Plant 0 on the ground left of the base: its pod on ring cell 0.
    grow(0, {152, 136, 120});
    mark(0, 0, 0);
    expectHolds(frame());

    // The pod dies with no ship lost and no fall: a cut that kept its cell.
    plants_[0].segments[0].alive = 0;
    auto broken = frame();
    EXPECT_TRUE(breaks(broken, "ring cells")) << joined(broken);

    // The ship, flying next to it, is lost in the frame the pod dies: the
    // record may stay, for as long as it stays the same.
    reset();
    grow(0, {152, 136, 120});
    mark(0, 0, 0);
    shipAt(160, 440);
    expectHolds(frame());
    plants_[0].segments[0].alive = 0;
    world_.shipsLeft = 3;
    world_.ship.state = ShipRespawning;
    shipAt(319, 259);
    expectHolds(frame());
    expectHolds(frame());
    EXPECT_EQ(checker_.stats().staleAfterShip, 1u);
    // The pod grows again elsewhere: the record still names segment 0.
    plants_[0].segments[0].box = cell(104, 464);
    plants_[0].segments[0].alive = 1;
    expectHolds(frame());
    // A record that changes to one that is not there is not allowed.
    mark(0, 0, 5);
    EXPECT_TRUE(breaks(frame(), "ring cells"));

    // The same with the ship too far away to have touched it.
    reset();
    grow(0, {152, 136, 120});
    mark(0, 0, 0);
    shipAt(319, 259);
    expectHolds(frame());
    plants_[0].segments[0].alive = 0;
    world_.shipsLeft = 3;
    world_.ship.state = ShipRespawning;
    EXPECT_TRUE(breaks(frame(), "ring cells"));
}

TEST_F(CheckerTest, TheShipOnTheArmsFirstCellLeavesTheWholePlantsRecords) {
    grow(2, {152, 136});
    mark(0, 2, 0);
    // Beside the arm's first cell, out of reach of the pod.
    shipAt(114, 472);
    expectHolds(frame());
    clear(2);
    world_.shipsLeft = 3;
    world_.ship.state = ShipRespawning;
    expectHolds(frame());

    // Had the ship been lost elsewhere, the plant's going left its record
    // wrongly.
    reset();
    grow(2, {152, 136});
    mark(0, 2, 0);
    shipAt(600, 100);
    expectHolds(frame());
    clear(2);
    world_.shipsLeft = 3;
    world_.ship.state = ShipRespawning;
    EXPECT_TRUE(breaks(frame(), "ring cells"));
}

TEST_F(CheckerTest, AFallToShotsLeavesTheRingButANewGameClearsIt) {
    grow(0, {152, 136});
    mark(0, 0, 0);
    grow(1, {472});
    mark(22, 1, 0);
    expectHolds(frame());
    clear(0);
    clear(1);
    world_.baseExplosion.active = 1;
    world_.baseExplosion.frame = 1;
    world_.baseHits = 3;
    expectHolds(frame());
    world_.baseExplosion.frame = 2;
    expectHolds(frame());
    EXPECT_EQ(checker_.stats().staleAfterBaseFall, 2u);
    EXPECT_EQ(checker_.stats().baseFallsByShots, 1u);
    // A game start that left them.
    EXPECT_TRUE(breaks(titleFrame(), "ring cells"));
}

TEST_F(CheckerTest, ANewRecordAlwaysNamesALiveCell) {
    mark(4, 3, 0);
    EXPECT_TRUE(breaks(frame(), "ring cells"));
    reset();
    grow(3, {200});
    plants_[3].segments[0].box = cell(200, 400);
    mark(4, 3, 0);
    expectHolds(frame());
}

TEST_F(CheckerTest, ALiveCellShowsFreeOnlyAfterASecondPlantsClaimWasFreed) {
    // A live cell on ring cell 0 that the ring shows free.
    grow(0, {152});
    EXPECT_TRUE(breaks(frame(), "ring cells"));

    // Plant 0's cell on ring cell 0, then plant 1 seeded on top of it takes
    // the record; its pod is shot and its records freed.
    reset();
    grow(0, {136, 152});
    mark(0, 0, 1);
    expectHolds(frame());
    grow(1, {152});
    mark(0, 1, 0);
    expectHolds(frame());
    clear(1);
    mark(0, 100, 100);
    expectHolds(frame());
    expectHolds(frame());
    EXPECT_EQ(checker_.stats().hiddenBySecondPlant, 1u);
    // A cell placed in the frame the other claim is freed was never
    // recorded.
    reset();
    grow(1, {152});
    mark(0, 1, 0);
    expectHolds(frame());
    clear(1);
    mark(0, 100, 100);
    grow(0, {136, 152});
    EXPECT_TRUE(breaks(frame(), "ring cells"));
    // Plant 0's own cut freeing its own live cell is not allowed.
    reset();
    grow(0, {136, 152});
    mark(0, 0, 1);
    expectHolds(frame());
    mark(0, 100, 100);
    EXPECT_TRUE(breaks(frame(), "ring cells"));
}

TEST_F(CheckerTest, NeverAllTwentyThreeRingCellsTakenAtTheEndOfAFrame) {
    // Five plants cannot hold them all live; stale records left by a fall
    // can, as far as the count goes.
    for (int32_t i = 0; i < kRingCellCount; ++i) {
        const int32_t p = i % kPlantCount;
        plants_[p].active = 1;
        plants_[p].segments[i / kPlantCount].box = cell(ring_[i].x, ring_[i].y);
        plants_[p].segments[i / kPlantCount].alive = 1;
        mark(i, p, i / kPlantCount);
    }
    const auto broken = frame();
    EXPECT_TRUE(breaks(broken, "ring cells")) << joined(broken);
    EXPECT_NE(joined(broken).find("all 23"), std::string::npos);
}

TEST(SoakKeys, ASeedAlwaysPlaysTheSameKeysWithEnterHeldAndEscNever) {
    int pilotAsked = 0;
    const soak::Pilot pilot = [&pilotAsked](uint32_t) {
        ++pilotAsked;
        return headless::keyBit(plat::Key::Escape) | headless::keyBit(plat::Key::Up);
    };
    soak::KeyGenerator a(7), b(7), c(8);
    std::set<uint32_t> seen;
    uint32_t held = 0;
    uint32_t released = 0;
    uint32_t last = 0;
    int changes = 0;
    bool differ = false;
    for (int frame = 0; frame < 30000; ++frame) {
        const uint32_t keys = a.next(pilot);
        ASSERT_EQ(keys, b.next(pilot));
        differ = differ || keys != c.next(pilot);
        ASSERT_NE(keys & kEnter, 0u);
        ASSERT_EQ(keys & headless::keyBit(plat::Key::Escape), 0u);
        held |= keys;
        released |= ~keys;
        changes += keys != last ? 1 : 0;
        last = keys;
        seen.insert(keys);
    }
    EXPECT_TRUE(differ);
    EXPECT_GT(pilotAsked, 0);
    for (plat::Key key :
         {plat::Key::Left, plat::Key::Right, plat::Key::Up, plat::Key::Down, plat::Key::Space}) {
        EXPECT_NE(held & headless::keyBit(key), 0u);
        EXPECT_NE(released & headless::keyBit(key), 0u);
    }
    // Keys change every few frames, not every frame nor once in a while.
    EXPECT_GT(changes, 30000 / 20);
    EXPECT_LT(changes, 30000 / 2);
    EXPECT_GT(seen.size(), 16u);
}

class SoakRunTest : public ::testing::Test {
  protected:
    void SetUp() override { freshProgram(); }
    void TearDown() override { freshProgram(); }

    soak::Result soakRun(const soak::Options& options) {
        freshProgram();
        WorkingDirectory data(dataDir());
        return soak::run(options);
    }

    TempDir dir_;
};

TEST_F(SoakRunTest, ARunHoldsAndItsKeysReplayToTheSameGame) {
    soak::Options options;
    options.frames = 1200;
    options.seed = 11;
    const soak::Result first = soakRun(options);
    ASSERT_EQ(first.outcome, soak::Outcome::Held) << joined(first.broken);
    EXPECT_EQ(first.frames, 1200u);
    EXPECT_EQ(first.stats.frames, 1200u);
    ASSERT_FALSE(first.keys.empty());
    EXPECT_EQ(first.keys.front().mark, 0u);

    // The script the soak writes, read back as the simulator reads it.
    std::string error;
    const auto script =
        sim::parseScript(soak::keyScript(first.keys, first.frames, "a comment\nover lines"), error);
    ASSERT_TRUE(script) << error;
    options.replay = true;
    options.script = *script;
    const soak::Result again = soakRun(options);
    EXPECT_EQ(again.outcome, soak::Outcome::Held);
    EXPECT_EQ(again.digest, first.digest);

    // Another seed plays another game.
    options.replay = false;
    options.seed = 12;
    EXPECT_NE(soakRun(options).digest, first.digest);
}

TEST_F(SoakRunTest, TheSimulatorReplaysTheKeysToTheSameFrame) {
    soak::Options options;
    options.frames = 1000;
    options.seed = 5;
    const soak::Result result = soakRun(options);
    ASSERT_EQ(result.outcome, soak::Outcome::Held);
    const int32_t endScore = score;
    const int32_t endShips = shipsLeft;
    const int32_t endX = ship.x;
    const uint32_t endTick = headless::tick();

    const auto keys = dir_.path() / "soak.keys";
    std::ofstream(keys) << soak::keyScript(result.keys, result.frames, "soak seed 5");
    const auto state = dir_.path() / "state.jsonl";
    const std::string command = std::string(QV_SIM) + " --data " + dataDir().string() +
                                " --frames 1000 --script " + keys.string() + " --state " +
                                state.string() + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(state);
    std::string line;
    std::string lastLine;
    while (std::getline(in, line)) {
        lastLine = line;
    }
    const auto last = nlohmann::json::parse(lastLine);
    EXPECT_EQ(last["frame"], 1000);
    EXPECT_EQ(last["tick"], endTick);
    EXPECT_EQ(last["score"], endScore);
    EXPECT_EQ(last["shipsLeft"], endShips);
    EXPECT_EQ(last["ship"]["x"], endX);
}

TEST_F(SoakRunTest, ABrokenInvariantStopsTheRunWithTheKeysThatLeadThere) {
    soak::Options options;
    options.frames = 3000;
    options.seed = 3;
    options.keysFile = (dir_.path() / "soak.keys").string();
    options.afterFrame = [](uint64_t frame) {
        if (frame == 700) {
            ::shots[1].active = 7;
        }
    };
    const soak::Result result = soakRun(options);
    ASSERT_EQ(result.outcome, soak::Outcome::Broken);
    EXPECT_EQ(result.brokenFrame, 700u);
    EXPECT_EQ(result.frames, 700u);
    EXPECT_TRUE(breaks(result.broken, "active flags")) << joined(result.broken);
    EXPECT_LE(result.keys.back().mark, 700u);

    // The keys went to the file as they were held.
    std::ifstream in(options.keysFile);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const auto script = sim::parseScript(text.str(), error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->size(), result.keys.size());
    for (size_t i = 0; i < script->size(); ++i) {
        EXPECT_EQ((*script)[i].mark, result.keys[i].mark);
        EXPECT_EQ((*script)[i].keys, result.keys[i].keys);
    }

    // They lead to the same frame again.
    options.replay = true;
    options.script = *script;
    options.keysFile.clear();
    const soak::Result again = soakRun(options);
    EXPECT_EQ(again.outcome, soak::Outcome::Broken);
    EXPECT_EQ(again.brokenFrame, 700u);
    EXPECT_EQ(again.digest, result.digest);
}

TEST_F(SoakRunTest, AScriptThatLetsGoOfEnterEndsAsAStallNotAHang) {
    soak::Options options;
    options.frames = 100;
    options.replay = true;
    options.script = {{true, 0, 0}};
    const soak::Result result = soakRun(options);
    EXPECT_EQ(result.outcome, soak::Outcome::Stalled);
    EXPECT_EQ(result.frames, 0u);
}

} // namespace

namespace {

// The soak program from the outside; its exit status and output.
int soakProgram(const std::string& arguments, const std::filesystem::path& output) {
    const std::string command =
        std::string(QV_SOAK) + " " + arguments + " > " + output.string() + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SoakProgram, RefusesBadOptionsAndReportsAScriptThatStalls) {
    TempDir dir;
    const auto out = dir.path() / "out.txt";
    const std::string data = " --data " + dataDir().string();
    EXPECT_EQ(soakProgram("--frames many" + data, out), 2);
    EXPECT_EQ(soakProgram("--frames 0" + data, out), 2);
    EXPECT_EQ(soakProgram("--replay " + (dir.path() / "none.keys").string() + data, out), 2);
    EXPECT_NE(contents(out).find("cannot read script"), std::string::npos);
    std::ofstream(dir.path() / "timed.keys") << "t100 ENTER\n";
    EXPECT_EQ(soakProgram("--replay " + (dir.path() / "timed.keys").string() + data, out), 2);
    EXPECT_EQ(soakProgram("--frames 10 --data " + (dir.path() / "nothing").string(), out), 2);

    std::ofstream(dir.path() / "no-enter.keys") << "f0 LEFT\n";
    EXPECT_EQ(soakProgram("--replay " + (dir.path() / "no-enter.keys").string() + data, out), 1);
    EXPECT_NE(contents(out).find("waited for a key"), std::string::npos) << contents(out);
}

TEST(SoakProgram, KeepsTheKeysOfARunThatHeldOnlyWhenAsked) {
    TempDir dir;
    const auto out = dir.path() / "out.txt";
    const auto keys = dir.path() / "kept.keys";
    const std::string data = " --data " + dataDir().string();
    ASSERT_EQ(soakProgram("--frames 300 --seed 4 --keys " + keys.string() + data, out), 0)
        << contents(out);
    EXPECT_NE(contents(out).find("every invariant held"), std::string::npos);
    EXPECT_NE(contents(keys).find("f0 ENTER"), std::string::npos);
    // The default file goes once the run has held.
    WorkingDirectory here(dir.path());
    ASSERT_EQ(soakProgram("--frames 300 --seed 4" + data, out), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "soak-4.keys"));
}

} // namespace
