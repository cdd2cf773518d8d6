// Keyboard, desktop events, the millisecond clock and the wait between polls
// on SDL.
#include "platform/backend.h"
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>

#include <ctime>

namespace plat::backend {

void pumpEvents() {
    bool exposed = false;
    bool redraw = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            detail::requestClose();
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                detail::requestClose();
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                exposed = true;
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                redraw = true;
                break;
            default:
                break;
            }
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            sdl::recreateTexture();
            redraw = true;
            break;
        default:
            break;
        }
    }
    // However many exposures arrived, the window is told once and the
    // picture drawn once.
    if (exposed) {
        if (Window* window = detail::mainWindowForEvents()) {
            postMessage(window, MessagePaint, 0, 0);
        }
    }
    if (exposed || redraw) {
        sdl::redrawLastFrame();
    }
}

// Keys are read by scancode, the key's place on the keyboard, not by what
// the layout prints on it. The events are pumped first, so a close request
// that arrives with this poll already counts.
bool keyDown(Key key) {
    pumpEvents();
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    auto held = [&](SDL_Scancode code) { return int(code) < count && state[code] != 0; };
    switch (key) {
    case Key::Enter:
        return held(SDL_SCANCODE_RETURN) || held(SDL_SCANCODE_KP_ENTER);
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

// Milliseconds since the machine started, counting time spent suspended,
// wrapping at 32 bits.
uint32_t tickCount() {
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

// A millisecond's sleep: short enough that a 28 ms frame still ends on time,
// long enough that a polling loop costs next to nothing.
void idle() {
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
}

} // namespace plat::backend
