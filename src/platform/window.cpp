// The window system seen by the game: registered classes, windows and one
// queue of messages. Desktop events come in through the backend.
#include "platform/window.h"
#include "platform/backend.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace plat {

struct Window {
    WindowProc procedure;
    bool alive;
};

namespace {

std::map<std::string, WindowProc> classes;
std::vector<std::unique_ptr<Window>> windows;
std::deque<Message> queue;
bool closeFlag = false;

bool isAlive(const Window* window) {
    return window != nullptr && window->alive;
}

} // namespace

bool windowClassRegister(const char* className, WindowProc procedure) {
    if (className == nullptr || procedure == nullptr || classes.count(className) != 0) {
        return false;
    }
    classes[className] = procedure;
    return true;
}

Window* windowCreate(const char* className) {
    const auto found = classes.find(className != nullptr ? className : "");
    if (found == classes.end()) {
        return nullptr;
    }
    windows.push_back(std::make_unique<Window>(Window{found->second, true}));
    Window* window = windows.back().get();
    window->procedure(window, MessageCreate, 0, 0);
    return window;
}

void windowDestroy(Window* window) {
    if (!isAlive(window)) {
        return;
    }
    window->alive = false;
    // Messages still queued for the window are dropped with it.
    std::erase_if(queue, [window](const Message& m) { return m.window == window; });
    window->procedure(window, MessageDestroy, 0, 0);
}

bool peekMessage(Message* message) {
    backend::pumpEvents();
    if (queue.empty()) {
        return false;
    }
    *message = queue.front();
    queue.pop_front();
    return true;
}

intptr_t dispatchMessage(const Message* message) {
    if (message == nullptr || !isAlive(message->window)) {
        return 0;
    }
    return message->window->procedure(message->window, message->id, message->wParam,
                                      message->lParam);
}

intptr_t sendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!isAlive(window)) {
        return 0;
    }
    return window->procedure(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) {
    queue.push_back(Message{nullptr, MessageQuit, uintptr_t(exitCode), 0});
}

void postMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (isAlive(window)) {
        queue.push_back(Message{window, message, wParam, lParam});
    }
}

intptr_t defaultWindowProc(Window* window, uint32_t message, uintptr_t, intptr_t) {
    if (message == MessageClose) {
        windowDestroy(window);
    }
    return 0;
}

int pendingMessageCount() {
    return int(queue.size());
}

void windowSystemReset() {
    classes.clear();
    windows.clear();
    queue.clear();
    closeFlag = false;
}

void detail::requestClose() {
    closeFlag = true;
}

Window* detail::mainWindowForEvents() {
    for (const auto& window : windows) {
        if (window->alive) {
            return window.get();
        }
    }
    return nullptr;
}

bool closeRequested() {
    return closeFlag;
}

bool keyDown(Key key) {
    // Asking the backend first lets a close request that arrives with this
    // very poll count at once.
    const bool held = backend::keyDown(key);
    return held || (key == Key::Escape && closeFlag);
}

uint32_t tickCount() {
    return backend::tickCount();
}

void idleUntil(uint32_t deadline) {
    backend::idleUntil(deadline);
}

void waitForInput() {
    backend::waitForInput();
}

void cursorShow(bool show) {
    backend::cursorShow(show);
}

} // namespace plat
