// The backend contract: what the game relies on of every backend, written
// once against the platform API and run against each backend through its
// driver (driver.h). The tick counter and the waits; the keys at the moment
// of asking; the one-shot effect voices and their idle test; the front-end
// player; the presented picture with its palette.
#include "driver.h"

#include "platform/audio.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using plat::Key;

class Contract : public ::testing::Test {
  protected:
    void SetUp() override { contract::begin(); }
    void TearDown() override {
        plat::audioClose();
        plat::displayClose();
        plat::windowSystemReset();
        contract::end();
    }
};

// --- the tick counter and the waits ------------------------------------------

// From wherever the counter stands: it counts milliseconds and never goes
// back; turns of idleUntil reach their deadline and the last returns by it;
// a deadline already passed is no wait; waitForInput returns even when
// nothing happens, so that a screen polls its keys again.
void checkCounterAndWaits() {
    const uint32_t slack = contract::slackMs();
    for (uint32_t step : {1u, 28u, 250u}) {
        const uint32_t before = plat::tickCount();
        contract::passTime(step);
        const uint32_t moved = plat::tickCount() - before;
        EXPECT_GE(moved, step);
        EXPECT_LE(moved, step + slack);
    }
    for (uint32_t period : {1u, 28u, 60u}) {
        const uint32_t start = plat::tickCount();
        const uint32_t deadline = start + period;
        uint32_t last = start;
        for (int turns = 0; last - start < period && turns < 100000; ++turns) {
            plat::idleUntil(deadline);
            const uint32_t now = plat::tickCount();
            ASSERT_GE(int32_t(now - last), 0) << "the counter went back";
            last = now;
        }
        EXPECT_GE(last - start, period) << "the turns never reached the deadline";
        EXPECT_LE(int32_t(last - deadline), int32_t(slack)) << period;
    }
    uint32_t before = plat::tickCount();
    plat::idleUntil(before - 5);
    EXPECT_LE(plat::tickCount() - before, slack) << "a deadline already passed";
    before = plat::tickCount();
    plat::waitForInput();
    EXPECT_LE(plat::tickCount() - before, 1000u) << "waiting for input with nothing happening";
}

TEST_F(Contract, TickCounterAndWaits) {
    ASSERT_TRUE(plat::displayOpen());
    checkCounterAndWaits();
}

TEST_F(Contract, TickCounterAndWaitsAcrossTheWrap) {
    ASSERT_TRUE(plat::displayOpen());
    if (!contract::startClockAt(0xFFFFFFFFu - 40)) {
        GTEST_SKIP() << "this backend's counter cannot be started near its wrap";
    }
    const uint32_t start = plat::tickCount();
    checkCounterAndWaits();
    EXPECT_LT(plat::tickCount(), start) << "the counter wraps at 32 bits";
}

// --- keys ------------------------------------------------------------------------

constexpr Key kKeys[] = {Key::Enter, Key::Escape, Key::F3,   Key::F4,   Key::Left,
                         Key::Right, Key::Up,     Key::Down, Key::Space};

constexpr unsigned bit(Key key) {
    return 1u << unsigned(key);
}

// Which keys read as held, one bit each.
unsigned heldKeys() {
    unsigned mask = 0;
    for (Key key : kKeys) {
        mask |= plat::keyDown(key) ? bit(key) : 0;
    }
    return mask;
}

// A key reads held while it is held and at no other time: no edges, no
// presses remembered, and keys held together read together.
TEST_F(Contract, KeysReadAsHeldAtTheMomentOfAsking) {
    ASSERT_TRUE(plat::displayOpen());
    EXPECT_EQ(heldKeys(), 0u);
    for (Key key : kKeys) {
        SCOPED_TRACE(testing::Message() << "key " << unsigned(key));
        ASSERT_TRUE(contract::pressKey(key, true));
        EXPECT_EQ(heldKeys(), bit(key));
        EXPECT_EQ(heldKeys(), bit(key)) << "asked again while held";
        ASSERT_TRUE(contract::pressKey(key, false));
        EXPECT_EQ(heldKeys(), 0u);
    }
    ASSERT_TRUE(contract::pressKey(Key::Left, true));
    ASSERT_TRUE(contract::pressKey(Key::Space, true));
    EXPECT_EQ(heldKeys(), bit(Key::Left) | bit(Key::Space));
    ASSERT_TRUE(contract::pressKey(Key::Left, false));
    EXPECT_EQ(heldKeys(), bit(Key::Space));
    ASSERT_TRUE(contract::pressKey(Key::Space, false));
    ASSERT_TRUE(contract::pressKey(Key::Up, true));
    ASSERT_TRUE(contract::pressKey(Key::Up, false));
    EXPECT_EQ(heldKeys(), 0u) << "a press let go before the asking";
}

// --- effect voices ---------------------------------------------------------------

// 8-bit mono at 8000 Hz: 8 bytes a millisecond.
constexpr uint32_t kBytesPerMs = 8;
constexpr uint8_t kFormat[16] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0};

struct VoiceRelease {
    void operator()(plat::SoundBuffer* buffer) const { plat::soundBufferRelease(buffer); }
};
using Voice = std::unique_ptr<plat::SoundBuffer, VoiceRelease>;

// A voice of ms milliseconds of a quiet square wave, made and filled the way
// the game fills its effects.
Voice makeVoice(uint32_t ms) {
    const uint32_t bytes = ms * kBytesPerMs;
    Voice voice(plat::soundBufferCreate(kFormat, sizeof kFormat, bytes));
    uint8_t* samples = nullptr;
    uint32_t length = 0;
    if (voice &&
        plat::soundBufferLock(voice.get(), 0, bytes, &samples, &length, nullptr, nullptr)) {
        for (uint32_t i = 0; i < length; ++i) {
            samples[i] = (i / 16) % 2 ? 0x88 : 0x78;
        }
        plat::soundBufferUnlock(voice.get());
    }
    return voice;
}

uint32_t at(plat::SoundBuffer* voice) {
    return plat::soundBufferPosition(voice);
}

// Milliseconds of the counter until the voice reads idle, polled a
// millisecond at a time; more than limit when it does not.
uint32_t msUntilIdle(plat::SoundBuffer* voice, uint32_t limit) {
    const uint32_t start = plat::tickCount();
    while (at(voice) != 0 && plat::tickCount() - start <= limit) {
        contract::passTime(1);
    }
    return plat::tickCount() - start;
}

// A voice reads 0 before its first play and in the tick it starts (so the
// game may pick it again as idle, and that play changes nothing); then it
// counts its own bytes at its byte rate, goes on where it is when started
// again, reads 0 from its end on, and once idle starts over.
TEST_F(Contract, AVoicePlaysOnceFromItsStartTick) {
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    constexpr uint32_t kLength = 600;
    Voice voice;
    uint32_t startPosition = 0;
    bool oneTick = false;
    // A real clock may move between the start and the reading, which then
    // tells nothing; a fresh voice tries again.
    for (int attempt = 0; attempt < 20 && !oneTick; ++attempt) {
        voice = makeVoice(kLength);
        ASSERT_TRUE(voice);
        ASSERT_EQ(at(voice.get()), 0u) << "before its first play";
        const uint32_t tick = plat::tickCount();
        plat::soundBufferPlay(voice.get());
        startPosition = at(voice.get());
        oneTick = plat::tickCount() == tick;
    }
    ASSERT_TRUE(oneTick) << "the counter moved during every start";
    EXPECT_EQ(startPosition, 0u) << "in the tick it starts";

    contract::passTime(200);
    const uint32_t middle = at(voice.get());
    EXPECT_GE(middle, 200 * kBytesPerMs);
    EXPECT_LE(middle, (200 + slack) * kBytesPerMs);
    plat::soundBufferPlay(voice.get());
    EXPECT_GE(at(voice.get()), middle) << "started again while it plays";

    const uint32_t rest = msUntilIdle(voice.get(), kLength + slack);
    EXPECT_GE(rest + 200 + slack, kLength) << "ended early";
    EXPECT_LE(rest + 200, kLength + slack) << "ended late";
    contract::passTime(50);
    EXPECT_EQ(at(voice.get()), 0u) << "after its end";

    plat::soundBufferPlay(voice.get());
    contract::passTime(50);
    EXPECT_GT(at(voice.get()), 0u);
    EXPECT_LE(at(voice.get()), (50 + slack) * kBytesPerMs) << "starts over from its beginning";
}

// A duplicate shares its source's samples but not its position: idle while
// the source plays, behind it once started, playing on after the source has
// ended and after the source is released.
TEST_F(Contract, ADuplicatePlaysOnItsOwn) {
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    Voice source = makeVoice(600);
    ASSERT_TRUE(source);
    Voice twin(plat::soundBufferDuplicate(source.get()));
    ASSERT_TRUE(twin);

    plat::soundBufferPlay(source.get());
    contract::passTime(300);
    EXPECT_EQ(at(twin.get()), 0u) << "idle while its source plays";
    plat::soundBufferPlay(twin.get());
    contract::passTime(50);
    const uint32_t behind = at(twin.get());
    const uint32_t ahead = at(source.get());
    EXPECT_GT(behind, 0u);
    EXPECT_GE(ahead, behind + 300 * kBytesPerMs);
    EXPECT_LE(ahead, behind + (300 + 2 * slack) * kBytesPerMs);

    EXPECT_LE(msUntilIdle(source.get(), 600), 600u);
    const uint32_t twinAt = at(twin.get());
    EXPECT_GT(twinAt, 0u) << "plays on after its source ended";
    source.reset();
    contract::passTime(20);
    EXPECT_GT(at(twin.get()), twinAt) << "plays on after its source was released";
}

// The game may start a voice in the very tick another has ended: the one
// started plays from its beginning, and the one ended stays idle.
TEST_F(Contract, AVoiceStartedInTheTickAnotherEnds) {
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    for (bool sameVoice : {true, false}) {
        SCOPED_TRACE(sameVoice ? "the same voice again" : "its duplicate");
        Voice ending = makeVoice(150);
        ASSERT_TRUE(ending);
        Voice twin(plat::soundBufferDuplicate(ending.get()));
        ASSERT_TRUE(twin);
        plat::SoundBuffer* starting = sameVoice ? ending.get() : twin.get();

        plat::soundBufferPlay(ending.get());
        contract::passTime(1);
        ASSERT_NE(at(ending.get()), 0u);
        uint32_t tick = plat::tickCount();
        for (uint32_t waited = 0; at(ending.get()) != 0 && waited <= 150 + slack; ++waited) {
            contract::passTime(1);
            tick = plat::tickCount();
        }
        ASSERT_EQ(at(ending.get()), 0u) << "never ended";
        plat::soundBufferPlay(starting);
        const uint32_t startPosition = at(starting);
        if (plat::tickCount() == tick) {
            EXPECT_EQ(startPosition, 0u) << "in the tick it starts";
        }
        contract::passTime(50);
        EXPECT_GT(at(starting), 0u) << "started";
        EXPECT_LE(at(starting), (50 + slack) * kBytesPerMs) << "from its beginning";
        if (!sameVoice) {
            EXPECT_EQ(at(ending.get()), 0u) << "the voice that ended stays idle";
        }
    }
}

// Where no mixer reports on a voice, it reads its last byte through the tick
// start + its length in whole milliseconds, and idle from the next; where a
// mixer plays it, the mixer says when it has ended, around that tick (it
// mixes a little ahead of what is heard).
// Watched a tick at a time; on a real clock a turn the machine took away
// leaves a gap, and the case looks again.
TEST_F(Contract, AVoiceEndsAfterItsLastTick) {
    const uint32_t slack = contract::slackMs();
    for (bool device : {false, true}) {
        SCOPED_TRACE(device ? "through a mixer" : "on the tick counter");
        if (!contract::soundDevice(device)) {
            continue;
        }
        ASSERT_TRUE(plat::audioOpen());
        // 150 ms exactly, and an eighth of a millisecond more.
        for (uint32_t bytes : {150 * kBytesPerMs, 150 * kBytesPerMs + 1}) {
            SCOPED_TRACE(::testing::Message() << bytes << " bytes");
            Voice voice(plat::soundBufferCreate(kFormat, sizeof kFormat, bytes));
            ASSERT_TRUE(voice);
            bool exact = false;
            for (int attempt = 0; attempt < 10 && !exact; ++attempt) {
                contract::nextTick();
                plat::soundBufferPlay(voice.get());
                const uint32_t start = plat::tickCount();
                uint32_t seenTick = start;
                uint32_t lastPlaying = 0;
                uint32_t firstIdle = 0;
                bool gap = false;
                while (firstIdle == 0 && seenTick - start <= 150 + 2 * slack) {
                    contract::nextTick();
                    const uint32_t tick = plat::tickCount();
                    const bool playing = at(voice.get()) != 0;
                    if (plat::tickCount() != tick) {
                        continue;
                    }
                    gap = gap || tick - seenTick > 1;
                    seenTick = tick;
                    (playing ? lastPlaying : firstIdle) = tick - start;
                }
                ASSERT_NE(firstIdle, 0u) << "never ended";
                if (device) {
                    EXPECT_GE(lastPlaying + slack, 150u) << "the mixer's voice ended early";
                    EXPECT_LE(firstIdle, 150 + slack) << "the mixer's voice ended late";
                    exact = true;
                } else {
                    // What was seen bounds the truth whatever the gaps.
                    EXPECT_LE(lastPlaying, 150u);
                    EXPECT_GE(firstIdle, 151u);
                    exact = !gap || firstIdle == lastPlaying + 1;
                    if (exact) {
                        EXPECT_EQ(lastPlaying, 150u) << "the last playing tick";
                        EXPECT_EQ(firstIdle, 151u) << "the first idle tick";
                    }
                }
            }
            EXPECT_TRUE(exact) << "every attempt missed the ticks around the end";
        }
        plat::audioClose();
    }
}

// --- the front-end player ------------------------------------------------------

// A fresh directory with sons/short.wav (200 ms) and sons/long.wav (3 s),
// made the working directory for the life of the object, as the game's data
// directory is.
class SoundFiles {
  public:
    SoundFiles()
        : previous_(std::filesystem::current_path()),
          path_(std::filesystem::temp_directory_path() /
                ("qv-contract-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(path_ / "sons");
        write("short.wav", 200);
        write("long.wav", 3000);
        write("no-channels.wav", 200, 0);
        std::filesystem::current_path(path_);
    }
    ~SoundFiles() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SoundFiles(const SoundFiles&) = delete;
    SoundFiles& operator=(const SoundFiles&) = delete;

  private:
    // A WAVE file of ms milliseconds of 8-bit samples at 8000 Hz, mono unless
    // the channel count says otherwise.
    void write(const char* name, uint32_t ms, uint32_t channels = 1) {
        const uint32_t bytes = ms * kBytesPerMs;
        const uint32_t header[] = {
            0x46464952, 36 + bytes, 0x45564157, 0x20746D66, 16,   0x00000001 | channels << 16,
            8000,       8000,       0x00080001, 0x61746164, bytes};
        std::ofstream out(path_ / "sons" / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        out << std::string(bytes, char(0x88));
    }

    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// One sound at a time, the newest replacing the one before; once or in a
// loop; a missing or malformed file fails the request and leaves nothing
// sounding.
TEST_F(Contract, FrontEndPlayerSoundsOneFileAtATime) {
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    SoundFiles files;
    EXPECT_FALSE(contract::playerSounding()) << "before any request";

    EXPECT_TRUE(plat::playSoundFile("sons/short.wav", false));
    EXPECT_TRUE(contract::playerSounding());
    contract::passTime(200 + slack);
    EXPECT_FALSE(contract::playerSounding()) << "played once, it stops at its end";

    EXPECT_TRUE(plat::playSoundFile("sons/short.wav", true));
    contract::passTime(2 * 200 + slack);
    EXPECT_TRUE(contract::playerSounding()) << "a loop goes on past its end";

    EXPECT_TRUE(plat::playSoundFile("sons/long.wav", true));
    EXPECT_TRUE(plat::playSoundFile("sons/short.wav", false));
    contract::passTime(200 + slack);
    EXPECT_FALSE(contract::playerSounding()) << "the loop before the last request went on";

    EXPECT_TRUE(plat::playSoundFile("sons/long.wav", true));
    EXPECT_FALSE(plat::playSoundFile("sons/missing.wav", false));
    EXPECT_FALSE(contract::playerSounding()) << "a missing file leaves the one before sounding";

    EXPECT_TRUE(plat::playSoundFile("sons/long.wav", true));
    EXPECT_FALSE(plat::playSoundFile("sons/no-channels.wav", true));
    EXPECT_FALSE(contract::playerSounding()) << "a file of no channels sounds";
}

// --- standing still --------------------------------------------------------------

using contract::Happening;

// Lets time pass until the happening has happened, for two seconds at most:
// a busy machine may run a real clock's timers late.
bool passTimeUntil(int happening) {
    for (int waited = 0; waited < 2000 && !contract::seen(happening).happened; waited += 10) {
        contract::passTime(10);
    }
    return contract::seen(happening).happened;
}

// One poll of the desktop's events, as the game's message loop makes.
void pollEvents() {
    plat::Message message{};
    while (plat::peekMessage(&message)) {
    }
}

// The game's last wait: for a frame's deadline in play, for input on a
// screen.
void waitAs(bool inPlay) {
    if (inPlay) {
        plat::idleUntil(plat::tickCount());
    } else {
        plat::waitForInput();
    }
}

// Polls the events once; returns how far the tick counter moved meanwhile,
// and where it stands after.
uint32_t pollMoves(uint32_t* after) {
    const uint32_t before = plat::tickCount();
    pollEvents();
    *after = plat::tickCount();
    return *after - before;
}

// A pause key pauses only a game in play (whose last wait was for a
// frame's deadline), with the sign up and the sound held, until it comes
// again; the tick counter stands still meanwhile and goes on from where it
// stood. On the screens (waiting for input) the same key stops nothing.
TEST_F(Contract, ThePauseKeyPausesOnlyInPlay) {
    ASSERT_TRUE(plat::displayOpen());
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    for (bool inPlay : {false, true}) {
        SCOPED_TRACE(inPlay ? "in play" : "on a screen");
        waitAs(inPlay);
        const int pause = contract::later(50, Happening::PauseKey);
        const int resume = contract::later(400, Happening::PauseKey);
        ASSERT_GE(resume, 0) << "this backend cannot press the pause key";
        ASSERT_TRUE(passTimeUntil(pause));
        uint32_t after = 0;
        const uint32_t moved = pollMoves(&after);
        EXPECT_EQ(contract::seen(resume).happened, inPlay) << "the poll waited for the resume";
        EXPECT_LE(moved, slack) << "the counter stood still";
        if (inPlay) {
            EXPECT_TRUE(contract::seen(resume).signShown);
            EXPECT_TRUE(contract::seen(resume).soundHeld);
            contract::passTime(100);
            EXPECT_GE(plat::tickCount() - after, 100u) << "and goes on where it stood";
            EXPECT_LE(plat::tickCount() - after, 100 + slack);
        } else {
            contract::passTime(400);
            pollEvents();
        }
    }
}

// Being away stands the game still on any screen and in play, the sound
// held. On a screen it goes on as soon as the player is back; a game in play
// comes back held with the sign, and goes on at the next key.
TEST_F(Contract, BeingAwayStandsTheGameStillOnTheScreensAndInPlay) {
    ASSERT_TRUE(plat::displayOpen());
    ASSERT_TRUE(plat::audioOpen());
    const uint32_t slack = contract::slackMs();
    for (bool inPlay : {false, true}) {
        SCOPED_TRACE(inPlay ? "in play" : "on a screen");
        waitAs(inPlay);
        const int away = contract::later(50, Happening::Away);
        const int back = contract::later(400, Happening::Back);
        const int key = contract::later(700, Happening::OtherKey);
        ASSERT_GE(key, 0) << "this backend cannot send the player away";
        ASSERT_TRUE(passTimeUntil(away));
        uint32_t after = 0;
        const uint32_t moved = pollMoves(&after);
        ASSERT_TRUE(contract::seen(back).happened) << "the poll waited for the player";
        EXPECT_EQ(contract::seen(key).happened, inPlay) << "held until a key once back";
        EXPECT_LE(moved, slack) << "the counter stood still";
        EXPECT_TRUE(contract::seen(back).soundHeld);
        EXPECT_EQ(contract::seen(back).signShown, inPlay) << "the sign, only in play";
        contract::passTime(inPlay ? 100 : 400);
        pollEvents();
        EXPECT_GE(plat::tickCount() - after, inPlay ? 100u : 400u) << "goes on where it stood";
    }
}

// --- the presented picture -------------------------------------------------------

// Every pixel of the flipped back buffer reaches the player in its palette
// entry's colour (the flags byte never shows); a palette changed shows with
// the next flip; the flip leaves the picture shown before in the back buffer.
TEST_F(Contract, PresentsThePictureThroughItsPalette) {
    ASSERT_TRUE(plat::displayOpen());
    plat::PaletteColour colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 4};
    }
    plat::Palette* palette = plat::paletteCreate(colours);
    ASSERT_TRUE(plat::surfaceSetPalette(plat::displayPrimary(), palette));

    // Neighbouring pixels all differ, so that any misplaced row or column
    // shows.
    auto drawAndFlip = [] {
        plat::SurfaceLock lock{};
        ASSERT_TRUE(plat::surfaceLock(plat::displayBackBuffer(), &lock));
        for (int y = 0; y < lock.height; ++y) {
            for (int x = 0; x < lock.width; ++x) {
                lock.pixels[y * lock.pitch + x] = uint8_t(x + 3 * y);
            }
        }
        plat::surfaceUnlock(plat::displayBackBuffer());
        ASSERT_TRUE(plat::displayFlip());
    };
    auto wrongPixels = [&colours] {
        std::vector<uint32_t> shown;
        if (!contract::shownPicture(&shown) ||
            shown.size() != size_t(plat::kScreenWidth) * plat::kScreenHeight) {
            return -1;
        }
        int wrong = 0;
        for (int y = 0; y < plat::kScreenHeight; ++y) {
            for (int x = 0; x < plat::kScreenWidth; ++x) {
                const plat::PaletteColour& c = colours[uint8_t(x + 3 * y)];
                const uint32_t want = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
                wrong += shown[size_t(y) * plat::kScreenWidth + size_t(x)] != want;
            }
        }
        return wrong;
    };

    drawAndFlip();
    EXPECT_EQ(wrongPixels(), 0);
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(plat::displayBackBuffer(), &lock));
    EXPECT_EQ(lock.pixels[5 * lock.pitch + 7], 0) << "the back buffer holds the picture before";
    plat::surfaceUnlock(plat::displayBackBuffer());

    for (plat::PaletteColour& colour : colours) {
        std::swap(colour.red, colour.blue);
    }
    ASSERT_TRUE(plat::paletteSetEntries(palette, 0, 256, colours));
    drawAndFlip();
    EXPECT_EQ(wrongPixels(), 0) << "with the palette changed";
    plat::paletteRelease(palette);
}

} // namespace
