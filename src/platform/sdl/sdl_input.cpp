// Keyboard, controllers, desktop events, the millisecond clock and the waits
// on SDL. When the game stands still (the player away from the window, or a
// pause key in play) is the shared pause rule's (pause.h): this file tells
// it of the window's focus and of the presses, and waits for events while
// the game stands still.
#include "platform/backend.h"
#include "platform/pause.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace plat {
namespace {

// How long a wait for input sleeps at most. The window system wakes it for
// keys and desktop requests; controllers are not part of that, so they are
// looked at this often while any is connected, and SDL looks for new ones
// whenever the wait wakes.
constexpr int kControllerLookMs = 10;
constexpr int kHotplugLookMs = 250;
// SDL reports a change of focus only at a pump some time after the window
// system told it, so while away the pump comes this often: the game is back
// soon after the window is.
constexpr int kAwayLookMs = 50;
// The longest single sleep of a wait for a tick.
constexpr int32_t kLongestSleepMs = 1000;

// The window system said the player left the window, and has not said yet
// that they are back.
bool away = false;
// Where the tick counter stands against the boot clock: 0 but in the tests
// that start it elsewhere.
uint32_t counterShift = 0;

// Enter pressed with Alt held belongs to the desktop (it switches between
// full screen and a window), not to the game, until it is released.
bool returnTaken = false;
bool keypadEnterTaken = false;

// What a batch of events leaves to do once it has been read.
struct Pending {
    bool exposed = false;
    bool redraw = false;
};

clockid_t gameClock() {
    static const clockid_t clock = [] {
        timespec probe{};
        return clock_gettime(CLOCK_BOOTTIME, &probe) == 0 ? CLOCK_BOOTTIME : CLOCK_MONOTONIC;
    }();
    return clock;
}

// Nanoseconds since the machine started, counting time spent suspended.
uint64_t bootNs() {
    timespec now{};
    clock_gettime(gameClock(), &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

uint32_t bootMs(uint64_t ns) {
    return uint32_t(ns / 1000000u);
}

// The backend's own clock in milliseconds at a moment of the boot clock.
uint32_t clockAt(uint64_t ns) {
    return bootMs(ns) - counterShift;
}

// Alt+Enter (either Enter) and F11 switch between full screen and a window,
// once a press however long the key is held. P and Pause pause the game in
// play; Esc also ends the pause, so that the game then sees it.
void handleKey(const SDL_KeyboardEvent& key) {
    const SDL_Scancode code = key.keysym.scancode;
    if (key.type == SDL_KEYDOWN && key.repeat == 0) {
        if (code == SDL_SCANCODE_P || code == SDL_SCANCODE_PAUSE) {
            pause::pausePressed();
        } else if (code == SDL_SCANCODE_ESCAPE) {
            pause::escapePressed();
        } else {
            pause::otherPressed();
        }
    }
    bool* taken = code == SDL_SCANCODE_RETURN     ? &returnTaken
                  : code == SDL_SCANCODE_KP_ENTER ? &keypadEnterTaken
                                                  : nullptr;
    if (key.type == SDL_KEYUP) {
        if (taken != nullptr) {
            *taken = false;
        }
        return;
    }
    if (taken != nullptr && (key.keysym.mod & KMOD_ALT) != 0) {
        *taken = true;
        if (key.repeat == 0) {
            sdl::toggleFullscreen();
        }
    } else if (code == SDL_SCANCODE_F11 && key.repeat == 0) {
        sdl::toggleFullscreen();
    }
}

void handleWindowEvent(const SDL_WindowEvent& window, Pending& pending) {
    switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        detail::requestClose();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        pending.exposed = true;
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        pending.redraw = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
        away = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        away = false;
        break;
    default:
        break;
    }
}

void handleEvent(const SDL_Event& event, Pending& pending) {
    switch (event.type) {
    case SDL_QUIT:
        detail::requestClose();
        break;
    case SDL_WINDOWEVENT:
        handleWindowEvent(event.window, pending);
        break;
    case SDL_KEYDOWN:
    case SDL_MOUSEBUTTONDOWN:
        // Keys reach only the window that has the keyboard, and a click on
        // the window says the player is at it, whatever the window system
        // said before.
        away = false;
        if (event.type == SDL_KEYDOWN) {
            handleKey(event.key);
        }
        break;
    case SDL_KEYUP:
        handleKey(event.key);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
        if (event.cbutton.button == SDL_CONTROLLER_BUTTON_START) {
            pause::pausePressed();
        } else {
            pause::otherPressed();
        }
        break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
        sdl::gamepadEvent(event);
        break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        sdl::recreateTexture();
        pending.redraw = true;
        break;
    default:
        break;
    }
}

// Reads every queued event, then does what they left to do: however many
// exposures arrived, the window is told once and the picture drawn once.
void readEvents(Pending& pending) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        handleEvent(event, pending);
    }
    if (pending.exposed) {
        if (Window* window = detail::mainWindowForEvents()) {
            postMessage(window, MessagePaint, 0, 0);
        }
    }
    if (pending.exposed || pending.redraw) {
        sdl::redrawLastFrame();
    }
}

// Sleeps until an event arrives or timeoutMs has passed, then reads it with
// every other queued event.
void waitForEvents(int timeoutMs) {
    Pending pending;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs)) {
        handleEvent(event, pending);
    }
    readEvents(pending);
}

// Whether the keyboard holds the key, as the last pump of events left it.
bool keyboardHeld(Key key) {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    auto held = [&](SDL_Scancode code) { return int(code) < count && state[code] != 0; };
    switch (key) {
    case Key::Enter:
        // While Alt is held, Enter is the desktop's.
        return (SDL_GetModState() & KMOD_ALT) == 0 &&
               ((held(SDL_SCANCODE_RETURN) && !returnTaken) ||
                (held(SDL_SCANCODE_KP_ENTER) && !keypadEnterTaken));
    case Key::Escape:
        return held(SDL_SCANCODE_ESCAPE);
    case Key::F3:
        return held(SDL_SCANCODE_F3);
    case Key::F4:
        return held(SDL_SCANCODE_F4);
    case Key::Left:
        return held(SDL_SCANCODE_LEFT);
    case Key::Right:
        return held(SDL_SCANCODE_RIGHT);
    case Key::Up:
        return held(SDL_SCANCODE_UP);
    case Key::Down:
        return held(SDL_SCANCODE_DOWN);
    case Key::Space:
        return held(SDL_SCANCODE_SPACE);
    }
    return false;
}

} // namespace

namespace sdl {

void forgetWindowState() {
    away = false;
    pause::forget();
    returnTaken = false;
    keypadEnterTaken = false;
}

namespace testing {
uint32_t timeAwayMs() {
    return pause::stoppedMs();
}

void setTickCount(uint32_t tick) {
    counterShift += backend::tickCount() - tick;
}
} // namespace testing
} // namespace sdl

namespace backend {

void pumpEvents() {
    sdl::gamepadsUpdate();
    Pending pending;
    readEvents(pending);
    if (pause::standStillWhileStopped()) {
        // Buttons may have changed meanwhile.
        sdl::gamepadsUpdate();
    }
}

bool windowAway() {
    return away;
}

uint32_t pauseClockMs() {
    return clockAt(bootNs());
}

// While the sign is up, controllers are read only when asked, and Start
// ends the pause.
void waitWhileStopped(bool held) {
    if (held) {
        sdl::gamepadsUpdate();
    }
    waitForEvents(held && sdl::gamepadsConnected() ? kControllerLookMs : kAwayLookMs);
}

void holdSound(bool held) {
    sdl::pauseSound(held);
}

void showPauseSign(bool shown) {
    sdl::showPauseSign(shown);
}

// Keys are read by scancode, the key's place on the keyboard, not by what
// the layout prints on it. The events are pumped first, so a close request
// that arrives with this poll already counts. A controller's buttons count
// as the keys they stand for.
bool keyDown(Key key) {
    pumpEvents();
    return keyboardHeld(key) || sdl::gamepadHeld(key);
}

// Milliseconds since the machine started, less the time the game stood
// still, wrapping at 32 bits.
uint32_t tickCount() {
    return pause::tickCount();
}

// Sleeps until the start of the millisecond in which the tick counter reads
// the deadline, so that a frame ends on time and not a moment later.
void idleUntil(uint32_t deadline) {
    pause::noteWait(true);
    const uint64_t now = bootNs();
    const int32_t remaining = int32_t(deadline - (clockAt(now) - pause::stoppedMs()));
    if (remaining <= 0) {
        return;
    }
    const uint64_t wake =
        (now / 1000000u + uint64_t(std::min(remaining, kLongestSleepMs))) * 1000000u;
    const timespec at{time_t(wake / 1000000000u), long(wake % 1000000000u)};
    int result = 0;
    do {
        result = clock_nanosleep(gameClock(), TIMER_ABSTIME, &at, nullptr);
    } while (result == EINTR);
    if (result != 0) {
        const uint64_t left = wake - std::min(wake, bootNs());
        const timespec pause{time_t(left / 1000000000u), long(left % 1000000000u)};
        nanosleep(&pause, nullptr);
    }
}

// Sleeps until the window system has something for the game, or until the
// controllers are to be looked at again. The caller polls its keys next,
// and that poll reads the controllers and stops the game if the player has
// gone away meanwhile.
void waitForInput() {
    pause::noteWait(false);
    waitForEvents(sdl::gamepadsConnected() ? kControllerLookMs : kHotplugLookMs);
}

} // namespace backend
} // namespace plat
