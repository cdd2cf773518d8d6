// The program's one window and its message queue.
#pragma once

#include <cstdint>

namespace plat {

struct Window;

enum : uint32_t {
    MessageCreate = 1,
    MessageDestroy = 2,
    MessagePaint = 15,
    MessageClose = 16,
    MessageQuit = 18,
};

struct Message {
    Window* window;
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
};

using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

bool windowClassRegister(const char* className, WindowProc procedure);
// Creates a window of a registered class; the class's procedure receives
// MessageCreate before this returns. The window has no area of its own: the
// display takes the screen, and titles the desktop's window.
Window* windowCreate(const char* className);
// Destroys the window: its procedure receives MessageDestroy.
void windowDestroy(Window* window);

// Takes at most one pending message, without waiting.
bool peekMessage(Message* message);
// Hands a message to its window's procedure.
intptr_t dispatchMessage(const Message* message);
// Runs the window's procedure at once and returns its result.
intptr_t sendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Queues MessageQuit with the exit code as wParam.
void postQuitMessage(int exitCode);
void postMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// What a window does with a message it does not handle itself: a close
// request destroys the window; everything else is answered with 0.
intptr_t defaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Messages waiting in the queue.
int pendingMessageCount();
// Drops every window, class and pending message (program end, tests).
void windowSystemReset();

} // namespace plat
