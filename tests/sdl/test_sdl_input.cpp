// Keys, controllers, close requests, the window toggle keys, the tick
// counter and the waits of the SDL backend. Keys are pressed for real
// through the X server's test extension; controllers are SDL's virtual ones.
#include "fake_keyboard.h"
#include "platform/backend.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <fstream>
#include <memory>
#include <vector>

namespace {

namespace backend = plat::backend;
using plat::Key;

// Polls the key until it reads as wanted or two seconds have passed.
bool keyBecomes(Key key, bool wanted) {
    for (int i = 0; i < 400; ++i) {
        if (backend::keyDown(key) == wanted) {
            return true;
        }
        SDL_Delay(5);
    }
    return false;
}

class SdlInput : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::windowSystemReset();
        ASSERT_TRUE(backend::displayOpen());
        SDL_Delay(100);
    }
    void TearDown() override {
        backend::displayClose();
        plat::windowSystemReset();
    }
};

// Keys are read by their place on the keyboard: the keypad's Enter is Enter
// too, and a layout whose space bar prints "a" still fires with the space
// bar.
TEST_F(SdlInput, KeysReadByTheirPlaceWhateverTheLayout) {
    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.display) << "pressing keys needs libXtst.so.6 (package libxtst6)";
    const unsigned keypadEnter = keyboard.keycodeOf(keyboard.display, 0xFF8D);
    keyboard.press(keypadEnter, true);
    EXPECT_TRUE(keyBecomes(Key::Enter, true));
    keyboard.press(keypadEnter, false);
    EXPECT_TRUE(keyBecomes(Key::Enter, false));

    const unsigned spaceBar = keyboard.keycodeOf(keyboard.display, 0x20);
    keyboard.relabel(spaceBar, 0x61);
    backend::pumpEvents();
    keyboard.press(spaceBar, true);
    EXPECT_TRUE(keyBecomes(Key::Space, true));
    keyboard.press(spaceBar, false);
    EXPECT_TRUE(keyBecomes(Key::Space, false));
    keyboard.relabel(spaceBar, 0x20);
}

TEST_F(SdlInput, CloseRequestsReadAsHeldEscape) {
    EXPECT_FALSE(plat::keyDown(Key::Escape));
    SDL_Event event{};
    event.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    // The very poll that takes the request already sees Esc held.
    EXPECT_TRUE(plat::keyDown(Key::Escape));
    EXPECT_TRUE(plat::closeRequested());
    EXPECT_FALSE(plat::keyDown(Key::Space));

    plat::windowSystemReset();
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    backend::pumpEvents();
    EXPECT_TRUE(plat::closeRequested());
}

// X keysyms of the keys these tests press.
constexpr unsigned long kReturn = 0xFF0D;
constexpr unsigned long kKeypadEnter = 0xFF8D;
constexpr unsigned long kAltLeft = 0xFFE9;
constexpr unsigned long kF11 = 0xFFC8;
constexpr unsigned long kSpace = 0x20;

bool isFullScreen() {
    return (SDL_GetWindowFlags(plat::sdl::testing::window()) & SDL_WINDOW_FULLSCREEN) != 0;
}

// Pumps until the window is (or is not) full screen, or two seconds have
// passed.
bool becomesFullScreen(bool wanted) {
    for (int i = 0; i < 400 && isFullScreen() != wanted; ++i) {
        backend::pumpEvents();
        SDL_Delay(5);
    }
    return isFullScreen() == wanted;
}

// Pumps until SDL's own view of the keyboard shows the key as wanted, or two
// seconds have passed: what the game makes of it is then the only question.
bool keyboardShows(SDL_Scancode code, bool down) {
    for (int i = 0; i < 400; ++i) {
        backend::pumpEvents();
        if ((SDL_GetKeyboardState(nullptr)[code] != 0) == down) {
            return true;
        }
        SDL_Delay(5);
    }
    return false;
}

TEST_F(SdlInput, AltEnterAndF11SwitchTheWindowAndEnterWithAltIsNotTheGames) {
    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.display) << "pressing keys needs libXtst.so.6 (package libxtst6)";
    auto code = [&](unsigned long keysym) { return keyboard.keycodeOf(keyboard.display, keysym); };
    ASSERT_TRUE(isFullScreen());

    // Alt first, then Enter: a window, and no Enter for the game, not even
    // once Alt is let go while Enter is still held.
    keyboard.press(code(kAltLeft), true);
    keyboard.press(code(kReturn), true);
    EXPECT_TRUE(becomesFullScreen(false));
    EXPECT_FALSE(backend::keyDown(Key::Enter));
    keyboard.press(code(kAltLeft), false);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_LALT, false));
    EXPECT_FALSE(backend::keyDown(Key::Enter)) << "Enter of Alt+Enter, Alt let go first";
    keyboard.press(code(kReturn), false);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_RETURN, false));
    EXPECT_FALSE(backend::keyDown(Key::Enter));
    // Pressed again alone, Enter is the game's again.
    keyboard.press(code(kReturn), true);
    EXPECT_TRUE(keyBecomes(Key::Enter, true));
    keyboard.press(code(kReturn), false);
    EXPECT_TRUE(keyBecomes(Key::Enter, false));
    EXPECT_FALSE(isFullScreen());

    // Enter held first, then Alt: while Alt is held, Enter is not the game's.
    keyboard.press(code(kReturn), true);
    EXPECT_TRUE(keyBecomes(Key::Enter, true));
    keyboard.press(code(kAltLeft), true);
    EXPECT_TRUE(keyBecomes(Key::Enter, false));
    keyboard.press(code(kAltLeft), false);
    keyboard.press(code(kReturn), false);
    EXPECT_TRUE(keyBecomes(Key::Enter, false));
    EXPECT_FALSE(isFullScreen()) << "Alt pressed after Enter switches nothing";

    // The keypad's Enter does the same, back to full screen.
    keyboard.press(code(kAltLeft), true);
    keyboard.press(code(kKeypadEnter), true);
    EXPECT_TRUE(becomesFullScreen(true));
    keyboard.press(code(kAltLeft), false);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_LALT, false));
    EXPECT_FALSE(backend::keyDown(Key::Enter));
    keyboard.press(code(kKeypadEnter), false);

    // F11 on its own, there and back; other keys read on as before.
    for (bool fullScreen : {false, true}) {
        keyboard.press(code(kF11), true);
        EXPECT_TRUE(becomesFullScreen(fullScreen));
        keyboard.press(code(kF11), false);
        ASSERT_TRUE(keyboardShows(SDL_SCANCODE_F11, false));
        EXPECT_EQ(isFullScreen(), fullScreen) << "one switch a press";
    }
    keyboard.press(code(kSpace), true);
    EXPECT_TRUE(keyBecomes(Key::Space, true));
    keyboard.press(code(kSpace), false);
    EXPECT_TRUE(keyBecomes(Key::Space, false));
}

// A virtual game controller with every button and axis SDL knows, which SDL
// maps as a game controller of its own accord.
int attachController() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "virtual controller";
    return SDL_JoystickAttachVirtualEx(&desc);
}

// The test's own handle on a controller, to move its buttons and sticks.
struct Controller {
    int index = attachController();
    SDL_Joystick* joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    SDL_JoystickID id = joystick ? SDL_JoystickInstanceID(joystick) : -1;

    ~Controller() { unplug(); }
    void button(SDL_GameControllerButton which, bool down) {
        SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
    }
    void stick(SDL_GameControllerAxis axis, Sint16 value) {
        SDL_JoystickSetVirtualAxis(joystick, axis, value);
    }
    void unplug() {
        if (joystick == nullptr) {
            return;
        }
        SDL_JoystickClose(joystick);
        joystick = nullptr;
        // Its device index may have moved since other controllers came
        // and went.
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
    }
};

// Which game keys read as held, one bit each.
unsigned heldKeys() {
    unsigned mask = 0;
    for (Key key : {Key::Enter, Key::Escape, Key::F3, Key::F4, Key::Left, Key::Right, Key::Up,
                    Key::Down, Key::Space}) {
        mask |= backend::keyDown(key) ? 1u << unsigned(key) : 0;
    }
    return mask;
}

constexpr unsigned bit(Key key) {
    return 1u << unsigned(key);
}

TEST_F(SdlInput, ControllerButtonsAndStickReadAsTheirKeys) {
    Controller pad;
    ASSERT_GE(pad.index, 0) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(pad.index));
    EXPECT_EQ(heldKeys(), 0u);

    const struct {
        SDL_GameControllerButton button;
        unsigned keys;
    } buttons[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, bit(Key::Left)},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, bit(Key::Right)},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, bit(Key::Up)},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, bit(Key::Down)},
        {SDL_CONTROLLER_BUTTON_A, bit(Key::Space)},
        {SDL_CONTROLLER_BUTTON_START, bit(Key::Enter)},
        {SDL_CONTROLLER_BUTTON_BACK, bit(Key::Escape)},
        {SDL_CONTROLLER_BUTTON_B, 0},
        {SDL_CONTROLLER_BUTTON_X, 0},
        {SDL_CONTROLLER_BUTTON_Y, 0},
        {SDL_CONTROLLER_BUTTON_GUIDE, 0},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0},
    };
    for (const auto& entry : buttons) {
        SCOPED_TRACE(SDL_GameControllerGetStringForButton(entry.button));
        pad.button(entry.button, true);
        EXPECT_EQ(heldKeys(), entry.keys);
        pad.button(entry.button, false);
        EXPECT_EQ(heldKeys(), 0u);
    }

    const struct {
        SDL_GameControllerAxis axis;
        Sint16 value;
        unsigned keys;
    } sticks[] = {
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, bit(Key::Left)},
        {SDL_CONTROLLER_AXIS_LEFTX, 32767, bit(Key::Right)},
        {SDL_CONTROLLER_AXIS_LEFTY, -32768, bit(Key::Up)},
        {SDL_CONTROLLER_AXIS_LEFTY, 32767, bit(Key::Down)},
        // A thumb resting off centre moves nothing; half way over does.
        {SDL_CONTROLLER_AXIS_LEFTX, -9000, 0},
        {SDL_CONTROLLER_AXIS_LEFTY, 9000, 0},
        {SDL_CONTROLLER_AXIS_LEFTX, 20000, bit(Key::Right)},
        // The other stick and the triggers are not the arrows.
        {SDL_CONTROLLER_AXIS_RIGHTX, -32768, 0},
        {SDL_CONTROLLER_AXIS_RIGHTY, 32767, 0},
        {SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, 0},
    };
    for (const auto& entry : sticks) {
        SCOPED_TRACE(testing::Message()
                     << SDL_GameControllerGetStringForAxis(entry.axis) << " " << entry.value);
        pad.stick(entry.axis, entry.value);
        EXPECT_EQ(heldKeys(), entry.keys);
        pad.stick(entry.axis, 0);
        EXPECT_EQ(heldKeys(), 0u);
    }
}

TEST_F(SdlInput, KeysAndControllersCountTogether) {
    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.display) << "pressing keys needs libXtst.so.6 (package libxtst6)";
    const unsigned space = keyboard.keycodeOf(keyboard.display, kSpace);
    Controller pad;
    ASSERT_GE(pad.index, 0) << SDL_GetError();

    pad.button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_TRUE(backend::keyDown(Key::Space));
    keyboard.press(space, true);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_SPACE, true));
    pad.button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_TRUE(backend::keyDown(Key::Space)) << "the space bar still holds it";
    pad.button(SDL_CONTROLLER_BUTTON_A, true);
    keyboard.press(space, false);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_SPACE, false));
    EXPECT_TRUE(backend::keyDown(Key::Space)) << "the controller still holds it";
    pad.button(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_FALSE(backend::keyDown(Key::Space));
    // The controller's Start is Enter even with Alt held: Alt only takes the
    // keyboard's Enter.
    const unsigned alt = keyboard.keycodeOf(keyboard.display, kAltLeft);
    keyboard.press(alt, true);
    ASSERT_TRUE(keyboardShows(SDL_SCANCODE_LALT, true));
    pad.button(SDL_CONTROLLER_BUTTON_START, true);
    EXPECT_TRUE(backend::keyDown(Key::Enter));
    pad.button(SDL_CONTROLLER_BUTTON_START, false);
    keyboard.press(alt, false);
}

TEST_F(SdlInput, ControllersComeAndGoAndOnePulledOutLetsGo) {
    auto first = std::make_unique<Controller>();
    ASSERT_GE(first->index, 0) << SDL_GetError();
    auto second = std::make_unique<Controller>();
    ASSERT_GE(second->index, 0) << SDL_GetError();

    // Either controller holds a key.
    second->button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    EXPECT_EQ(heldKeys(), bit(Key::Up));
    first->stick(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    first->button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(heldKeys(), bit(Key::Up) | bit(Key::Left) | bit(Key::Space));

    // Pulled out while held: its keys are let go, the other's stay.
    first->unplug();
    EXPECT_EQ(heldKeys(), bit(Key::Up));
    second->unplug();
    EXPECT_EQ(heldKeys(), 0u);

    // One plugged in later works at once.
    Controller third;
    ASSERT_GE(third.index, 0) << SDL_GetError();
    third.button(SDL_CONTROLLER_BUTTON_BACK, true);
    EXPECT_EQ(heldKeys(), bit(Key::Escape));
}

TEST(SdlClock, TickCountIsMillisecondsSinceBootLessTimeAway) {
    std::ifstream uptime("/proc/uptime");
    double seconds = 0;
    ASSERT_TRUE(uptime >> seconds);
    const uint32_t since = backend::tickCount() + plat::sdl::testing::timeAwayMs() -
                           uint32_t(std::llround(seconds * 1000));
    // /proc/uptime counts in hundredths of a second.
    EXPECT_LT(int32_t(since), 100);
    EXPECT_GT(int32_t(since), -20);
}

// The frame's wait sleeps to its deadline in one turn: a sleep never ends
// early, and the frame does not spin.
TEST_F(SdlInput, IdleUntilSleepsToTheDeadlineInOneTurn) {
    for (uint32_t period : {1u, 2u, 5u, 28u, 60u}) {
        const uint32_t start = backend::tickCount();
        int turns = 0;
        while (uint32_t(backend::tickCount() - start) < period) {
            backend::idleUntil(start + period);
            ++turns;
        }
        EXPECT_EQ(turns, 1) << period;
    }
}

// Pushes an event from SDL's timer thread, as another thread of the desktop
// would, and notes when.
Uint32 pushUserEvent(Uint32, void* when) {
    static_cast<std::atomic<uint32_t>*>(when)->store(backend::tickCount());
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    SDL_PushEvent(&event);
    return 0;
}

TEST_F(SdlInput, WaitingForInputSleepsUntilSomethingArrives) {
    backend::pumpEvents();
    // Nothing happens: a few turns a second, not one a millisecond.
    const uint32_t start = backend::tickCount();
    int turns = 0;
    while (uint32_t(backend::tickCount() - start) < 1000) {
        backend::waitForInput();
        ++turns;
    }
    EXPECT_LE(turns, 10);

    // Something arrives: the wait ends at once.
    std::atomic<uint32_t> pushedAt{0};
    const SDL_TimerID timer = SDL_AddTimer(120, pushUserEvent, &pushedAt);
    ASSERT_NE(timer, 0) << SDL_GetError();
    for (int i = 0; i < 4 && pushedAt == 0; ++i) {
        backend::waitForInput();
    }
    ASSERT_NE(pushedAt.load(), 0u);
    EXPECT_LT(backend::tickCount() - pushedAt, 100u);

    // A controller cannot wake the wait, so while one is connected the wait
    // looks at it often enough that a button pressed meanwhile counts at
    // once.
    Controller pad;
    ASSERT_GE(pad.index, 0) << SDL_GetError();
    backend::pumpEvents();
    struct Press {
        SDL_Joystick* joystick;
        std::atomic<uint32_t> at{0};
    } press{pad.joystick};
    auto pressStart = [](Uint32, void* data) -> Uint32 {
        auto* pressed = static_cast<Press*>(data);
        pressed->at = backend::tickCount();
        SDL_JoystickSetVirtualButton(pressed->joystick, SDL_CONTROLLER_BUTTON_START, 1);
        return 0;
    };
    ASSERT_NE(SDL_AddTimer(60, pressStart, &press), 0) << SDL_GetError();
    turns = 0;
    while (!backend::keyDown(Key::Enter) && turns < 200) {
        backend::waitForInput();
        ++turns;
    }
    ASSERT_NE(press.at.load(), 0u);
    EXPECT_LT(backend::tickCount() - press.at, 100u);
}

} // namespace
