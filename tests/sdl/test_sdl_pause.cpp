// The game stops while the player is away from its window: what the window
// system says (focus lost, minimised) is pushed as SDL would deliver it, and
// what brings the window back is pushed later from SDL's timer thread while
// the backend waits.
#include "platform/backend.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace {

namespace backend = plat::backend;
namespace sdltest = plat::sdl::testing;
using Clock = std::chrono::steady_clock;
using plat::SoundBuffer;

int msSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// What the timer thread saw while the backend waited, and the event it
// pushed to end the wait.
struct Later {
    ~Later() { SDL_RemoveTimer(timer); }
    SDL_TimerID timer = 0;
    SDL_Event event{};
    std::atomic<bool> fired{false};
    std::atomic<uint32_t> tick{0};
    std::atomic<int> channelsPaused{0};
};

Uint32 pushLater(Uint32, void* data) {
    auto* later = static_cast<Later*>(data);
    later->tick = backend::tickCount();
    later->channelsPaused = Mix_Paused(-1);
    later->fired = true;
    SDL_PushEvent(&later->event);
    return 0;
}

std::unique_ptr<Later> afterMs(int ms, const SDL_Event& event) {
    auto later = std::make_unique<Later>();
    later->event = event;
    later->timer = SDL_AddTimer(Uint32(ms), pushLater, later.get());
    if (later->timer == 0) {
        return nullptr;
    }
    return later;
}

SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = id;
    event.window.windowID = SDL_GetWindowID(sdltest::window());
    return event;
}

void pushWindowEvent(SDL_WindowEventID id) {
    SDL_Event event = windowEvent(id);
    SDL_PushEvent(&event);
}

SDL_Event ofType(Uint32 type) {
    SDL_Event event{};
    event.type = type;
    return event;
}

class SdlPause : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::windowSystemReset();
        ASSERT_TRUE(backend::displayOpen());
        ASSERT_TRUE(backend::audioOpen());
        ASSERT_TRUE(sdltest::audioDeviceOpen()) << "run with SDL_AUDIODRIVER=dummy";
        backend::pumpEvents();
    }
    void TearDown() override {
        backend::audioClose();
        backend::displayClose();
        plat::windowSystemReset();
    }

    // A looping title tune on the front-end player: 2 s of 8-bit mono at
    // 8000 Hz.
    void startMusic() {
        auto tune = std::make_shared<plat::SoundSamples>();
        tune->format = {1, 1, 8000, 8000, 1, 8};
        tune->bytes.assign(16000, 0x90);
        backend::playerPlay("tune.wav", tune, true);
    }
};

// An effect half a second long, 8-bit mono at 8000 Hz.
std::unique_ptr<SoundBuffer, void (*)(SoundBuffer*)> makeEffect() {
    auto* buffer = new SoundBuffer;
    buffer->samples = std::make_shared<plat::SoundSamples>();
    buffer->samples->format = {1, 1, 8000, 8000, 1, 8};
    buffer->samples->bytes.assign(4000, 0x90);
    backend::voiceReady(buffer);
    return {buffer, [](SoundBuffer* b) {
                backend::voiceRelease(b);
                delete b;
            }};
}

TEST_F(SdlPause, AwayStopsTheClockAndTheSoundUntilTheWindowIsBack) {
    startMusic();
    auto effect = makeEffect();
    const struct {
        const char* what;
        SDL_WindowEventID away;
        SDL_Event back;
    } cases[] = {
        {"focus lost, then regained", SDL_WINDOWEVENT_FOCUS_LOST,
         windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)},
        {"minimised, then restored", SDL_WINDOWEVENT_MINIMIZED,
         windowEvent(SDL_WINDOWEVENT_RESTORED)},
        {"focus lost, then a click on the window", SDL_WINDOWEVENT_FOCUS_LOST,
         ofType(SDL_MOUSEBUTTONDOWN)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        backend::voicePlay(effect.get());
        SDL_Delay(100);
        const uint32_t positionBefore = backend::voicePosition(effect.get());
        ASSERT_GT(positionBefore, 0u);
        const uint32_t awayBefore = sdltest::timeAwayMs();
        const uint32_t tickBefore = backend::tickCount();
        const auto wallBefore = Clock::now();

        pushWindowEvent(c.away);
        const std::unique_ptr<Later> later = afterMs(600, c.back);
        ASSERT_NE(later, nullptr) << SDL_GetError();
        // The pump does not return until the window is back.
        backend::pumpEvents();
        const int waited = msSince(wallBefore);
        const uint32_t tickBack = backend::tickCount();
        const auto wallBack = Clock::now();
        ASSERT_TRUE(later->fired);
        EXPECT_GE(waited, 590);

        // The clock stood still, and goes on from where it stood, with the
        // wall clock.
        EXPECT_LT(later->tick - tickBefore, 100u);
        EXPECT_LT(tickBack - tickBefore, 100u);
        EXPECT_NEAR(double(sdltest::timeAwayMs() - awayBefore), double(waited), 100.0);
        SDL_Delay(100);
        EXPECT_NEAR(double(backend::tickCount() - tickBack), double(msSince(wallBack)), 30.0);

        // The sound was held meanwhile, and plays on: the effect, half a
        // second long and started well before, would have ended during the
        // pause had it gone on; it is where the tick counter says it is.
        // The effect's channel and the music's.
        EXPECT_GE(later->channelsPaused, 2);
        EXPECT_EQ(Mix_Paused(-1), 0);
        EXPECT_TRUE(sdltest::playerPlaying());
        const uint32_t playedMs = backend::tickCount() - tickBefore;
        const uint32_t positionAfter = backend::voicePosition(effect.get());
        ASSERT_LT(playedMs, 350u) << "the machine is too busy to tell";
        EXPECT_NE(positionAfter, 0u) << "the effect played on through the pause";
        EXPECT_NEAR(double(positionAfter) - double(positionBefore), playedMs * 8.0, 80.0);
        for (int i = 0; i < 400 && backend::voicePosition(effect.get()) != 0; ++i) {
            SDL_Delay(5);
        }
    }
}

TEST_F(SdlPause, NothingButAwayStopsTheGame) {
    // A window system without a window manager may never say the window has
    // the focus; neither that nor any other event of the window stops it.
    const uint32_t awayBefore = sdltest::timeAwayMs();
    for (SDL_WindowEventID id :
         {SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_HIDDEN,
          SDL_WINDOWEVENT_LEAVE, SDL_WINDOWEVENT_TAKE_FOCUS, SDL_WINDOWEVENT_MOVED,
          SDL_WINDOWEVENT_RESTORED}) {
        pushWindowEvent(id);
    }
    // Should any of them stop the game, this brings it back, late.
    const std::unique_ptr<Later> rescue = afterMs(1000, windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    const uint32_t tickBefore = backend::tickCount();
    const auto wallBefore = Clock::now();
    backend::pumpEvents();
    EXPECT_LT(msSince(wallBefore), 500);
    SDL_Delay(200);
    backend::pumpEvents();
    EXPECT_NEAR(double(backend::tickCount() - tickBefore), double(msSince(wallBefore)), 20.0);
    EXPECT_EQ(sdltest::timeAwayMs(), awayBefore);

    // Focus lost and back within the same batch of events is no pause.
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    const auto again = Clock::now();
    backend::pumpEvents();
    EXPECT_LT(msSince(again), 500);
}

SDL_Event keyPress(SDL_Scancode code) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.scancode = code;
    event.key.windowID = SDL_GetWindowID(sdltest::window());
    return event;
}

SDL_Event startButton() {
    SDL_Event event{};
    event.type = SDL_CONTROLLERBUTTONDOWN;
    event.cbutton.button = SDL_CONTROLLER_BUTTON_START;
    return event;
}

// In play (the game last waited for a frame's deadline) P, Pause and Start
// stop the game as being away does, until one of them or Esc comes again.
TEST_F(SdlPause, PauseKeysStopAGameInPlayUntilPressedAgain) {
    startMusic();
    const struct {
        const char* what;
        SDL_Event pause, resume;
    } cases[] = {
        {"P, then P", keyPress(SDL_SCANCODE_P), keyPress(SDL_SCANCODE_P)},
        {"Pause, then Pause", keyPress(SDL_SCANCODE_PAUSE), keyPress(SDL_SCANCODE_PAUSE)},
        {"Start, then Start", startButton(), startButton()},
        {"P, then Esc", keyPress(SDL_SCANCODE_P), keyPress(SDL_SCANCODE_ESCAPE)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        backend::idleUntil(backend::tickCount());
        const uint32_t awayBefore = sdltest::timeAwayMs();
        const uint32_t tickBefore = backend::tickCount();
        const auto wallBefore = Clock::now();
        SDL_Event pause = c.pause;
        SDL_PushEvent(&pause);
        const std::unique_ptr<Later> later = afterMs(400, c.resume);
        ASSERT_NE(later, nullptr) << SDL_GetError();
        backend::pumpEvents();
        const int waited = msSince(wallBefore);
        ASSERT_TRUE(later->fired);
        EXPECT_GE(waited, 390);
        EXPECT_LT(later->tick - tickBefore, 100u);
        EXPECT_LT(backend::tickCount() - tickBefore, 100u);
        EXPECT_NEAR(double(sdltest::timeAwayMs() - awayBefore), double(waited), 100.0);
        EXPECT_GE(later->channelsPaused, 1) << "the title music's channel";
        EXPECT_EQ(Mix_Paused(-1), 0);
    }
}

// On the title and controls screens (the game last waited for input) the
// same keys stop nothing: Start is Enter there.
TEST_F(SdlPause, PauseKeysDoNothingOnTheScreens) {
    SDL_Event wake = ofType(SDL_USEREVENT);
    SDL_PushEvent(&wake);
    backend::waitForInput();
    const uint32_t awayBefore = sdltest::timeAwayMs();
    for (SDL_Event event :
         {keyPress(SDL_SCANCODE_P), keyPress(SDL_SCANCODE_PAUSE), startButton()}) {
        SDL_PushEvent(&event);
    }
    // Should they pause it, this ends the pause, late.
    const std::unique_ptr<Later> rescue = afterMs(1000, keyPress(SDL_SCANCODE_P));
    const auto wallBefore = Clock::now();
    backend::pumpEvents();
    EXPECT_LT(msSince(wallBefore), 500);
    EXPECT_EQ(sdltest::timeAwayMs(), awayBefore);
}

TEST_F(SdlPause, ACloseRequestWhileAwayEndsTheWait) {
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    const std::unique_ptr<Later> later = afterMs(150, ofType(SDL_QUIT));
    ASSERT_NE(later, nullptr) << SDL_GetError();
    EXPECT_FALSE(plat::closeRequested());
    // The poll that waits while away comes back with the close request, as
    // a held Esc, so that the game can end.
    EXPECT_TRUE(plat::keyDown(plat::Key::Escape));
    EXPECT_TRUE(later->fired);
    EXPECT_TRUE(plat::closeRequested());
    // Away or not, nothing stops the game any more once it is closing.
    const std::unique_ptr<Later> rescue = afterMs(1000, windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    const auto wallBefore = Clock::now();
    backend::pumpEvents();
    EXPECT_LT(msSince(wallBefore), 500);
}

} // namespace
