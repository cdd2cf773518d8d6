// Game controllers on SDL: any controller SDL has a game-controller mapping
// for. The D-pad and the left stick read as the arrow keys, the south button
// as the space bar, Start as Enter and Back as Esc. Controllers may be
// plugged in and pulled out while the game runs; one that goes away lets go
// of whatever it held.
#include "platform/sdl/sdl_internal.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

namespace plat::sdl {
namespace {

// Half the stick's travel: a thumb resting near the centre moves nothing,
// a stick pushed over reads as the arrow key.
constexpr Sint16 kStickThreshold = 16384;

bool started = false;
std::vector<SDL_GameController*> controllers;

SDL_JoystickID idOf(SDL_GameController* controller) {
    return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
}

void openController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    const bool known = std::any_of(controllers.begin(), controllers.end(),
                                   [id](SDL_GameController* open) { return idOf(open) == id; });
    if (known) {
        return;
    }
    if (SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex)) {
        controllers.push_back(controller);
    }
}

void closeController(SDL_JoystickID id) {
    std::erase_if(controllers, [id](SDL_GameController* controller) {
        if (idOf(controller) != id) {
            return false;
        }
        SDL_GameControllerClose(controller);
        return true;
    });
}

bool held(SDL_GameController* controller, Key key) {
    auto button = [controller](SDL_GameControllerButton which) {
        return SDL_GameControllerGetButton(controller, which) != 0;
    };
    auto stick = [controller](SDL_GameControllerAxis axis) {
        return SDL_GameControllerGetAxis(controller, axis);
    };
    switch (key) {
    case Key::Left:
        return button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) ||
               stick(SDL_CONTROLLER_AXIS_LEFTX) <= -kStickThreshold;
    case Key::Right:
        return button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) ||
               stick(SDL_CONTROLLER_AXIS_LEFTX) >= kStickThreshold;
    case Key::Up:
        return button(SDL_CONTROLLER_BUTTON_DPAD_UP) ||
               stick(SDL_CONTROLLER_AXIS_LEFTY) <= -kStickThreshold;
    case Key::Down:
        return button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) ||
               stick(SDL_CONTROLLER_AXIS_LEFTY) >= kStickThreshold;
    case Key::Space:
        return button(SDL_CONTROLLER_BUTTON_A);
    case Key::Enter:
        return button(SDL_CONTROLLER_BUTTON_START);
    case Key::Escape:
        return button(SDL_CONTROLLER_BUTTON_BACK);
    case Key::F3:
    case Key::F4:
        return false;
    }
    return false;
}

} // namespace

void gamepadsOpen() {
    if (started) {
        return;
    }
    // The controllers are read whenever the game asks for a key, so SDL need
    // not read them on every pump; that also lets a wait for input sleep
    // instead of polling them each millisecond.
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    // Without a window manager the window may never be told it has the
    // keyboard; the controllers must work all the same. While the window is
    // away the game stops, so nothing is read then anyway.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // No controller support is no reason not to play with the keyboard.
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        return;
    }
    started = true;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        openController(index);
    }
}

void gamepadsClose() {
    for (SDL_GameController* controller : controllers) {
        SDL_GameControllerClose(controller);
    }
    controllers.clear();
    if (started) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        started = false;
    }
}

void gamepadsUpdate() {
    if (started) {
        SDL_GameControllerUpdate();
    }
}

void gamepadEvent(const SDL_Event& event) {
    if (!started) {
        return;
    }
    if (event.type == SDL_CONTROLLERDEVICEADDED) {
        openController(event.cdevice.which);
    } else if (event.type == SDL_CONTROLLERDEVICEREMOVED) {
        closeController(event.cdevice.which);
    }
}

bool gamepadHeld(Key key) {
    return std::any_of(controllers.begin(), controllers.end(), [key](SDL_GameController* c) {
        return SDL_GameControllerGetAttached(c) && held(c, key);
    });
}

bool gamepadsConnected() {
    return !controllers.empty();
}

} // namespace plat::sdl
