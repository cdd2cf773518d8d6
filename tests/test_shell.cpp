// The program's shell: the message loop, the frame's timers and pacing, the
// devices, the screens and the game-start sequence.
#include "support.h"

#include "graphics/drawing.h"
#include "graphics/sheet.h"
#include "hostiles/base.h"
#include "hostiles/explosions.h"
#include "hostiles/spores.h"
#include "platform/audio.h"
#include "platform/faults.h"
#include "platform/window.h"
#include "player/ship.h"
#include "player/shots.h"
#include "shell/devices.h"
#include "shell/entry.h"
#include "shell/frame.h"
#include "shell/screens.h"
#include "shell/status.h"

#include <gtest/gtest.h>

#include <malloc.h>

namespace {

// The bytes the C library's heap holds in use.
size_t heapInUse() {
#ifdef _WIN32
    size_t used = 0;
    _HEAPINFO entry{};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) {
            used += entry._size;
        }
    }
    return used;
#else
    return mallinfo2().uordblks;
#endif
}

using namespace testing_support;
using plat::Key;

constexpr uint32_t kEnter = headless::keyBit(Key::Enter);
constexpr uint32_t kEsc = headless::keyBit(Key::Escape);
constexpr uint32_t kF3 = headless::keyBit(Key::F3);
constexpr uint32_t kF4 = headless::keyBit(Key::F4);

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override { freshProgram(); }
    void TearDown() override { freshProgram(); }

    // The window and devices as the entry function makes them, without its
    // message loop.
    void openProgram() {
        ASSERT_TRUE(plat::windowClassRegister("Quorvelindaxtor", windowProc));
        mainWindow = plat::windowCreate("Quorvelindaxtor");
        ASSERT_TRUE(initDevices());
    }

    // The program up to the first frame of a game.
    void startGame() {
        openProgram();
        headless::holdKeys({Key::Enter});
        ASSERT_TRUE(titleScreen());
        headless::holdKeys({});
    }

    size_t jingleRequests() const {
        size_t n = 0;
        for (const auto& request : headless::playerRequests()) {
            n += request.path == "sons/GameOver_bis.wav";
        }
        return n;
    }

    WorkingDirectory data_{dataDir()};
};

TEST_F(ShellTest, MessageLoopTakesOneMessagePerTurnAndNoFrameOnQuit) {
    std::vector<int> pending;
    std::vector<int> presents;
    int turn = 0;
    headless::holdKeys({Key::Enter});
    headless::hooks().turn = [&] {
        ++turn;
        if (turn == 1) {
            for (int i = 0; i < 5; ++i) {
                plat::postMessage(mainWindow, plat::MessagePaint, 0, 0);
            }
        }
        pending.push_back(plat::pendingMessageCount());
        presents.push_back(headless::presentCount());
        if (turn == 8) {
            plat::postQuitMessage(0);
        }
    };
    EXPECT_EQ(gameMain(), 0);
    EXPECT_EQ(pending, (std::vector<int>{5, 4, 3, 2, 1, 0, 0, 0}));
    // The title's flip, then one frame per turn; the quit turn runs none.
    EXPECT_EQ(presents, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(headless::presentCount(), 8);
    EXPECT_TRUE(headless::cursorShown());
    EXPECT_FALSE(headless::displayIsOpen());
}

TEST_F(ShellTest, EscDuringPlayShowsThatFrameThenNothing) {
    int turn = 0;
    headless::holdKeys({Key::Enter});
    headless::hooks().turn = [&] {
        if (++turn == 3) {
            headless::holdKeys({Key::Escape});
        }
    };
    EXPECT_EQ(gameMain(), 0);
    EXPECT_TRUE(quitRequested);
    // Frames 1 to 3 were shown; the turn after took the quit message.
    EXPECT_EQ(turn, 4);
    EXPECT_EQ(headless::presentCount(), 4);
    EXPECT_EQ(plat::liveSurfaceCount(), 0);
}

TEST_F(ShellTest, LaterFramesAfterEscDoNothing) {
    startGame();
    headless::holdKeys({Key::Escape});
    const uint32_t before = headless::tick();
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(plat::pendingMessageCount(), 1) << "the quit message";
    const int presents = headless::presentCount();
    ASSERT_TRUE(gameFrame());
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(headless::presentCount(), presents);
    EXPECT_EQ(headless::tick(), before + kFramePeriodMs);
}

TEST_F(ShellTest, EscOnTheTitleScreenEndsTheProgramWithoutAGame) {
    headless::holdKeys({Key::Escape});
    EXPECT_EQ(gameMain(), 0);
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(ship.frames, nullptr);
    EXPECT_EQ(headless::presentCount(), 1);
}

TEST_F(ShellTest, AFailedSetUpGivesBackWhatWasMadeAndExitsWithOne) {
    const plat::Fault steps[] = {
        plat::Fault::DisplayOpen, plat::Fault::PaletteCreate, plat::Fault::PaletteSetEntries,
        plat::Fault::SetPalette,  plat::Fault::ClipperCreate, plat::Fault::ClipperSetList,
        plat::Fault::SetClipper,  plat::Fault::AudioOpen,     plat::Fault::SurfaceCreate};
    for (plat::Fault step : steps) {
        freshProgram();
        plat::failOn(step);
        headless::holdKeys({Key::Enter});
        EXPECT_EQ(gameMain(), 1) << int(step);
        EXPECT_EQ(headless::errorLines().size(), 1u) << int(step);
        EXPECT_EQ(headless::presentCount(), 0) << "nothing shown";
        EXPECT_FALSE(headless::displayIsOpen());
        EXPECT_FALSE(headless::audioIsOpen());
        EXPECT_TRUE(headless::cursorShown());
        EXPECT_EQ(plat::liveSurfaceCount(), 0);
        EXPECT_EQ(palette, nullptr);
        EXPECT_EQ(clipper, nullptr);
    }

    freshProgram();
    TempDir empty;
    WorkingDirectory noData(empty.path());
    headless::holdKeys({Key::Enter});
    EXPECT_EQ(gameMain(), 1) << "no sprite sheet";
    EXPECT_FALSE(headless::displayIsOpen());
}

TEST_F(ShellTest, PaletteTakesTheSheetsColoursButKeepsWhiteAt255) {
    openProgram();
    BitmapImage sheet{};
    sheet.pixels = nullptr;
    ASSERT_TRUE(loadBitmapFile(sheet, "images/images.bmp"));
    freeBitmapPixels(sheet);
    ASSERT_TRUE(plat::displayFlip());
    const auto& shown = headless::presentedFrame().palette;
    for (int i = 0; i < 255; ++i) {
        EXPECT_EQ(shown[i].red, sheet.palette[i].red) << i;
        EXPECT_EQ(shown[i].blue, sheet.palette[i].blue) << i;
    }
    EXPECT_EQ(shown[255].red, 255);
    EXPECT_EQ(shown[255].green, 255);
    EXPECT_EQ(shown[255].blue, 255);
    EXPECT_EQ(shown[0].red | shown[0].green | shown[0].blue, 0);
}

TEST_F(ShellTest, NoBlitOnTheBackBufferReachesItsLastColumnOrRow) {
    startGame();
    ASSERT_TRUE(gameFrame());
    // The background is drawn whole; the clipper stops it at 638 and 478.
    const auto& frame = headless::presentedFrame();
    for (int x = 0; x < 640; ++x) {
        EXPECT_EQ(frame.at(x, 479), 0);
    }
    for (int y = 0; y < 480; ++y) {
        EXPECT_EQ(frame.at(639, y), 0);
    }
}

TEST_F(ShellTest, FramesLastAtLeast28MsAcrossTheCounterWrap) {
    freshProgram(0xFFFFFFFFu - 40);
    startGame();
    for (int i = 0; i < 4; ++i) {
        const uint32_t start = headless::tick();
        ASSERT_TRUE(gameFrame());
        EXPECT_EQ(uint32_t(headless::tick() - start), kFramePeriodMs);
    }
    EXPECT_LT(headless::tick(), 0x1000u) << "the counter wrapped during the frames";
}

TEST_F(ShellTest, RespawnWaitsMoreThan2000MsAcrossTheWrap) {
    startGame();
    ship.state = ShipRespawning;
    respawnTime = 0xFFFFFFFFu - 999;
    headless::setTick(respawnTime + kRespawnWaitMs);
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.state, ShipRespawning);
    headless::setTick(respawnTime + kRespawnWaitMs + 1);
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.state, ShipFlying);
}

TEST_F(ShellTest, GameOverShowsItsTextRequestsTheJingleOnceThenTheTitle) {
    startGame();
    const size_t titleMusic = headless::playerRequests().size();
    ship.state = ShipGameOver;
    gameOverTime = 0xFFFFFFFFu - 100;
    headless::setTick(gameOverTime + 1);
    ASSERT_TRUE(gameFrame());
    // "Vous avez perdu !" stands at (213, 239) in white.
    const auto& frame = headless::presentedFrame();
    int white = 0;
    for (int y = 239; y < 259; ++y) {
        for (int x = 213; x < 360; ++x) {
            white += frame.at(x, y) == 255;
        }
    }
    EXPECT_GT(white, 100);
    EXPECT_EQ(jingleRequests(), 1u);
    EXPECT_FALSE(headless::playerRequests().back().loop);

    // Later frames of the same game over, even with its time set anew, do
    // not start the jingle over.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(gameFrame());
    }
    gameOverTime = headless::tick();
    headless::setTick(gameOverTime + kGameOverShowMs);
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(jingleRequests(), 1u);
    EXPECT_EQ(titleScreensShown, 1);

    // The first frame after more than 3000 ms is the title screen's; it is
    // not flipped itself.
    headless::setTick(gameOverTime + kGameOverShowMs + 1);
    headless::holdKeys({Key::Enter});
    const int presents = headless::presentCount();
    score = 700;
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(titleScreensShown, 2);
    EXPECT_EQ(headless::presentCount(), presents + 1);
    EXPECT_EQ(ship.state, ShipFlying);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(headless::playerRequests().back().path, "sons/alien.wav");
    EXPECT_EQ(headless::playerRequests().size(), titleMusic + 2);

    // The next game over asks for the jingle again.
    headless::holdKeys({});
    ASSERT_TRUE(gameFrame());
    ship.state = ShipGameOver;
    gameOverTime = headless::tick();
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(jingleRequests(), 2u);
}

TEST_F(ShellTest, DifficultyFollowsTheScoreThresholdsAndCarriesOver) {
    struct Case {
        int32_t score;
        int32_t shift;
        int32_t speed;
    };
    // Each case starts from shift 0 and speed 1.
    const Case cases[] = {{5000, 0, 1},   {5001, 2, 1},    {10000, 2, 1},
                          {10001, 4, 2},  {25001, 8, 3},   {50000, 10, 3},
                          {50001, 12, 4}, {100001, 14, 5}, {-5, 0, 1}};
    for (const Case& c : cases) {
        spawnDelayShift = 0;
        sporeSpeed = 1;
        score = c.score;
        updateDifficulty();
        EXPECT_EQ(spawnDelayShift, c.shift) << c.score;
        EXPECT_EQ(sporeSpeed, c.speed) << c.score;
    }
    // 5000 or less writes nothing: what the last game reached stays.
    spawnDelayShift = 8;
    sporeSpeed = 1;
    score = 0;
    updateDifficulty();
    EXPECT_EQ(spawnDelayShift, 8);
    EXPECT_EQ(sporeSpeed, 1);
}

TEST_F(ShellTest, EnterBeatsF3OnTheSamePass) {
    openProgram();
    headless::holdKeys({Key::Enter, Key::F3});
    ASSERT_TRUE(titleScreen());
    EXPECT_EQ(headless::presentCount(), 1) << "the controls were never shown";
    EXPECT_EQ(ship.state, ShipFlying);
}

TEST_F(ShellTest, ControlsWaitForF4ThenTheSamePassSeesEsc) {
    openProgram();
    // F3 and Esc together: the controls first; Esc there does nothing.
    headless::holdKeyMask(kF3 | kEsc);
    int idles = 0;
    headless::hooks().idle = [&] {
        if (++idles == 500) {
            headless::holdKeyMask(kF4 | kEsc);
        }
    };
    ASSERT_TRUE(titleScreen());
    EXPECT_EQ(idles, 500) << "the controls waited for F4";
    EXPECT_EQ(headless::presentCount(), 3) << "title, controls, title again";
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(ship.frames, nullptr) << "no game was set up";
}

TEST_F(ShellTest, HeldF3BringsTheControlsBackAndHeldF4LeavesAtOnce) {
    openProgram();
    headless::holdKeyMask(kF3 | kF4);
    headless::hooks().present = [] {
        if (headless::presentCount() == 5) {
            headless::holdKeyMask(kEnter);
        }
    };
    ASSERT_TRUE(titleScreen());
    // Title, controls, title, controls, title: no time passed in between.
    EXPECT_EQ(headless::presentCount(), 5);
    EXPECT_EQ(headless::elapsed(), 0u);
    EXPECT_EQ(ship.state, ShipFlying);
}

TEST_F(ShellTest, GameStartRunsItsStepsInOrderAndStopsAtTheFirstFailure) {
    openProgram();
    score = 55;
    shipsLeft = 0;
    ASSERT_TRUE(startNewGame());
    EXPECT_EQ(score, 0);
    EXPECT_EQ(shipsLeft, 4);
    EXPECT_EQ(sporesDestroyed + plantsDestroyed + baseHits, 0);
    EXPECT_EQ(ship.x, 319);
    EXPECT_EQ(ship.y, 259);
    EXPECT_EQ(plat::liveSoundBufferCount(), 7);

    // The background's picture fails: nothing after it runs.
    freshProgram();
    openProgram();
    score = 55;
    plat::failOn(plat::Fault::SurfaceCreate, 1);
    EXPECT_FALSE(startNewGame());
    EXPECT_EQ(score, 55);
    EXPECT_EQ(ship.frames, nullptr);
    EXPECT_EQ(plat::liveSoundBufferCount(), 0);

    // The ship's third picture fails (after the background and the base's
    // two): the later loaders and the sounds do not run.
    freshProgram();
    openProgram();
    plat::failOn(plat::Fault::SurfaceCreate, 6);
    EXPECT_FALSE(startNewGame());
    EXPECT_EQ(score, 0);
    ASSERT_NE(ship.frames, nullptr);
    EXPECT_NE(ship.frames[1], nullptr);
    EXPECT_EQ(ship.frames[2], nullptr);
    EXPECT_NE(baseFrames, nullptr);
    EXPECT_EQ(shots[0].frames, nullptr);
    EXPECT_EQ(explosions[8].frames, nullptr);
    EXPECT_EQ(plat::liveSoundBufferCount(), 0);
}

TEST_F(ShellTest, AGameStartThatFailsEndsTheProgramWithOne) {
    TempDir copy;
    copyData(copy.path());
    std::filesystem::remove(copy.path() / "sons" / "explosion2.wav");
    WorkingDirectory broken(copy.path());
    headless::holdKeys({Key::Enter});
    EXPECT_EQ(gameMain(), 1);
    EXPECT_EQ(headless::presentCount(), 1) << "only the title was shown";
    EXPECT_EQ(plat::liveSoundBufferCount(), 0);
}

TEST_F(ShellTest, ClearSurfaceFillsThePictureOrReportsTheRefusedFill) {
    Picture picture = createOffscreenSurface(8, 8, true);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(clearSurface(picture, 7));
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(picture, &lock));
    EXPECT_EQ(lock.pixels[7 * lock.pitch + 7], 7);
    // Held locked, the picture refuses the fill; so does a missing one.
    EXPECT_FALSE(clearSurface(picture, 0));
    plat::surfaceUnlock(picture);
    EXPECT_FALSE(clearSurface(nullptr, 0));
    plat::surfaceRelease(picture);
}

TEST_F(ShellTest, StatusPanelWritesTheFourCountersAtTheirPlaces) {
    startGame();
    score = 100000;
    sporesDestroyed = 0;
    plantsDestroyed = 12;
    shipsLeft = 3;
    clearSurface(backBuffer, 0);
    ASSERT_TRUE(drawStatusPanel());
    ASSERT_TRUE(plat::displayFlip());
    const std::vector<uint8_t> shown = headless::presentedFrame().pixels;

    // The same texts drawn by hand at (41, 22), (149, 22), (336, 22), (522, 22).
    clearSurface(backBuffer, 0);
    drawText(backBuffer, "100000", 41, 22, kTextWhite);
    drawText(backBuffer, "0", 149, 22, kTextWhite);
    drawText(backBuffer, "12", 336, 22, kTextWhite);
    drawText(backBuffer, "3", 522, 22, kTextWhite);
    ASSERT_TRUE(plat::displayFlip());
    EXPECT_EQ(shown, headless::presentedFrame().pixels);

    // All ink is white and lies on the panel's line.
    int leftmost = 640;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t v = shown[size_t(y) * 640 + x];
            if (v != 0) {
                EXPECT_EQ(v, 255);
                EXPECT_GE(y, 22);
                EXPECT_LT(y, 22 + 20);
                leftmost = std::min(leftmost, x);
            }
        }
    }
    EXPECT_GE(leftmost, 41);
    EXPECT_LE(leftmost, 44);

    plat::failOn(plat::Fault::TextDraw, 2);
    EXPECT_FALSE(drawStatusPanel());
}

TEST_F(ShellTest, FiftyGameStartsLeaveOneSetOfPicturesAndSevenBuffers) {
    startGame();
    const int surfaces = plat::liveSurfaceCount();
    const int reads = sheetReadCount();
    ASSERT_TRUE(startNewGame());
    const int readsPerStart = sheetReadCount() - reads;
    const size_t heapBefore = heapInUse();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(startNewGame());
        ASSERT_EQ(plat::liveSurfaceCount(), surfaces);
        ASSERT_EQ(plat::liveSoundBufferCount(), 7);
    }
    EXPECT_EQ(readsPerStart, 14);
#ifndef QV_UNDER_SANITIZER
    const size_t heapAfter = heapInUse();
    EXPECT_LT(heapAfter, heapBefore + 256 * 1024) << "the heap grew across game starts";
#else
    (void)heapBefore;
#endif
    // The title and the background; 72 ship pictures; the base's 2; one for
    // each of 4 shots; the sower's 6; one for each of 3 spores; 2 for each
    // of 5 plants; 14 for each of 9 explosions; the base fall's 14.
    EXPECT_EQ(surfaces, 2 + 72 + 2 + 4 + 6 + 3 + 10 + 126 + 14);
}

TEST_F(ShellTest, ShipStartsHeadingUpAndMovesByTheStepTable) {
    startGame();
    EXPECT_EQ(ship.frame, 0);
    EXPECT_EQ(ship.vx, 0);
    EXPECT_EQ(ship.vy, -4);
    headless::holdKeys({Key::Up});
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.y, 255);
    EXPECT_EQ(ship.frame, 18);
    headless::holdKeys({Key::Left});
    for (int i = 0; i < 18; ++i) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(ship.angle, 0.0);
    EXPECT_EQ(ship.frame, 0);
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.angle, 355.0);
    EXPECT_EQ(ship.frame, 71);
    headless::holdKeys({Key::Right});
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.angle, 0.0);
    // Thrust at 0 degrees: 5 pixels left; at 180: only 4 to the right.
    headless::holdKeys({Key::Up});
    const int32_t x = ship.x;
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.x, x - 5);
    headless::holdKeys({Key::Down});
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.x, x);
    // Left and right together leave the heading; up and down the position.
    headless::holdKeys({Key::Left, Key::Right, Key::Up, Key::Down});
    ASSERT_TRUE(gameFrame());
    EXPECT_EQ(ship.angle, 0.0);
    EXPECT_EQ(ship.x, x);
}

TEST_F(ShellTest, ShipStaysOnScreenAndLosingShipsEndsTheGame) {
    startGame();
    headless::holdKeys({Key::Up});
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(gameFrame());
    }
    EXPECT_EQ(ship.y, 0);
    headless::holdKeys({});
    for (int lost = 1; lost <= 3; ++lost) {
        loseShip();
        EXPECT_EQ(ship.state, ShipRespawning);
        EXPECT_EQ(shipsLeft, 4 - lost);
        EXPECT_EQ(ship.x, 319);
        EXPECT_EQ(ship.y, 259);
    }
    loseShip();
    EXPECT_EQ(ship.state, ShipGameOver);
    EXPECT_EQ(shipsLeft, 0);
    loseShip();
    EXPECT_EQ(shipsLeft, 0) << "never below 0";
}

} // namespace
