// The contract's driver for the SDL backend on a virtual display: time
// passes for real, keys are pressed through the window system's own way of
// faking them (system_keys.h), the picture is read back from the window, and the mixer's music
// stream says whether the front-end player sounds. Sound goes to SDL's dummy driver unless
// SDL_AUDIODRIVER names another.
#include "driver.h"

#include "platform/backend.h"
#include "platform/display.h"
#include "platform/pause.h"
#include "platform/sdl/sdl_testing.h"
#include "system_keys.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace contract {

namespace {

SDL_Scancode scancodeOf(plat::Key key) {
    switch (key) {
    case plat::Key::Enter:
        return SDL_SCANCODE_RETURN;
    case plat::Key::Escape:
        return SDL_SCANCODE_ESCAPE;
    case plat::Key::F3:
        return SDL_SCANCODE_F3;
    case plat::Key::F4:
        return SDL_SCANCODE_F4;
    case plat::Key::Left:
        return SDL_SCANCODE_LEFT;
    case plat::Key::Right:
        return SDL_SCANCODE_RIGHT;
    case plat::Key::Up:
        return SDL_SCANCODE_UP;
    case plat::Key::Down:
        return SDL_SCANCODE_DOWN;
    case plat::Key::Space:
        break;
    }
    return SDL_SCANCODE_SPACE;
}

// A happening pushed as the window system's event from SDL's timer thread,
// with what the player would have found at that moment.
struct Pending {
    SDL_Event event;
    Seen seen;
    SDL_TimerID timer = 0;
};
std::vector<std::unique_ptr<Pending>> pending;

Uint32 happen(Uint32, void* data) {
    auto* later = static_cast<Pending*>(data);
    later->seen = Seen{true, plat::sdl::testing::soundHeldNow(), plat::pause::signShown()};
    SDL_PushEvent(&later->event);
    return 0;
}

SDL_Event eventFor(Happening what) {
    SDL_Event event{};
    const Uint32 window = SDL_GetWindowID(plat::sdl::testing::window());
    auto key = [&](SDL_Scancode code) {
        event.type = SDL_KEYDOWN;
        event.key.windowID = window;
        event.key.keysym.scancode = code;
    };
    switch (what) {
    case Happening::Away:
    case Happening::Back:
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = window;
        event.window.event =
            what == Happening::Away ? SDL_WINDOWEVENT_FOCUS_LOST : SDL_WINDOWEVENT_FOCUS_GAINED;
        break;
    case Happening::PauseKey:
        key(SDL_SCANCODE_P);
        break;
    case Happening::Escape:
        key(SDL_SCANCODE_ESCAPE);
        break;
    case Happening::OtherKey:
        key(SDL_SCANCODE_LEFT);
        break;
    }
    return event;
}

// The sound device the cases run on: SDL's dummy driver unless the run
// names another.
const char* const kDefaultAudio = "dummy";
// A driver SDL does not have: the mixer cannot open, and voices are timed
// on the tick counter.
const char* const kNoAudio = "no-device-for-the-contract";

} // namespace

void begin() {
    SDL_setenv("SDL_AUDIODRIVER", kDefaultAudio, 0);
}

void end() {
    for (const auto& later : pending) {
        SDL_RemoveTimer(later->timer);
    }
    pending.clear();
    const char* audio = SDL_getenv("SDL_AUDIODRIVER");
    if (audio != nullptr && SDL_strcmp(audio, kNoAudio) == 0) {
        SDL_setenv("SDL_AUDIODRIVER", kDefaultAudio, 1);
    }
}

// Sleeps and the dummy audio driver's pace may run late on a busy machine.
uint32_t slackMs() {
    return 250;
}

bool startClockAt(uint32_t tick) {
    plat::sdl::testing::setTickCount(tick);
    return true;
}

// Measured on SDL's performance counter: a system's sleep may end a little
// before the time asked (the C++ library's steady clock on Windows is not
// that counter).
void passTime(uint32_t milliseconds) {
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 end = SDL_GetPerformanceCounter() + frequency * milliseconds / 1000;
    for (Uint64 now = SDL_GetPerformanceCounter(); now < end; now = SDL_GetPerformanceCounter()) {
        const Uint64 left = (end - now) * 1000 / frequency;
        SDL_Delay(Uint32(left > 1 ? left - 1 : 0));
        if (left <= 1) {
            std::this_thread::yield();
        }
    }
}

// Presses the key, then pumps until SDL's own view of the keyboard shows
// it, for two seconds at most.
bool pressKey(plat::Key key, bool down) {
    if (!systemKey(key, down)) {
        return false;
    }
    const SDL_Scancode scancode = scancodeOf(key);
    for (int i = 0; i < 400; ++i) {
        plat::backend::pumpEvents();
        if ((SDL_GetKeyboardState(nullptr)[scancode] != 0) == down) {
            return true;
        }
        SDL_Delay(5);
    }
    return false;
}

// The frame is shown at a whole scale, centred: each frame pixel is read at
// the top-left of the square it covers.
bool shownPicture(std::vector<uint32_t>* rgb) {
    std::vector<uint32_t> shown;
    int width = 0;
    int height = 0;
    if (!plat::sdl::testing::readBackFrame(&shown, &width, &height)) {
        return false;
    }
    constexpr int W = plat::kScreenWidth;
    constexpr int H = plat::kScreenHeight;
    const int scale = std::min(width / W, height / H);
    if (scale < 1) {
        return false;
    }
    const int left = (width - W * scale) / 2;
    const int top = (height - H * scale) / 2;
    rgb->resize(size_t(W) * H);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            (*rgb)[size_t(y) * W + size_t(x)] =
                shown[size_t(top + y * scale) * size_t(width) + size_t(left + x * scale)] &
                0xFFFFFF;
        }
    }
    return true;
}

bool playerSounding() {
    return plat::sdl::testing::playerPlaying();
}

bool soundDevice(bool device) {
    if (!device) {
        SDL_setenv("SDL_AUDIODRIVER", kNoAudio, 1);
    } else {
        const char* audio = SDL_getenv("SDL_AUDIODRIVER");
        if (audio != nullptr && SDL_strcmp(audio, kNoAudio) == 0) {
            SDL_setenv("SDL_AUDIODRIVER", kDefaultAudio, 1);
        }
    }
    return true;
}

// Watches the counter without sleeping, so that no tick goes by unseen
// unless the machine takes the processor away.
void nextTick() {
    const uint32_t from = plat::tickCount();
    while (plat::tickCount() == from) {
    }
}

int later(uint32_t ms, Happening what) {
    auto made = std::make_unique<Pending>();
    made->event = eventFor(what);
    made->timer = SDL_AddTimer(std::max<Uint32>(ms, 1), happen, made.get());
    if (made->timer == 0) {
        return -1;
    }
    pending.push_back(std::move(made));
    return int(pending.size()) - 1;
}

// The timer thread has written it before pushing the event the case waited
// for.
Seen seen(int happening) {
    return pending.at(size_t(happening))->seen;
}

} // namespace contract
