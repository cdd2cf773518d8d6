#include "shell/entry.h"

#include "platform/input.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/screens.h"

plat::Window* mainWindow = nullptr;

namespace {
constexpr const char* kWindowClass = "Quorvelindaxtor";
constexpr const char* kWindowTitle = "Quorvelindaxtor";
constexpr int kFailureExitCode = 1;
} // namespace

intptr_t windowProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case plat::MessageCreate:
        return 0;
    case plat::MessageDestroy:
        plat::postQuitMessage(0);
        return 0;
    case plat::MessagePaint:
        // The picture comes only from the flipped display surfaces.
        return 0;
    default:
        return plat::defaultWindowProc(window, message, wParam, lParam);
    }
}

int gameMain() {
    if (!plat::windowClassRegister(kWindowClass, windowProc)) {
        return 0;
    }
    mainWindow = plat::windowCreate(kWindowClass, kWindowTitle);
    if (mainWindow == nullptr) {
        return 0;
    }
    plat::cursorShow(false);

    plat::Message message{};
    bool failed = !initDevices() || !titleScreen();
    if (!failed) {
        // One message at most per turn, then one frame; the turn that takes
        // the quit message runs no frame.
        for (;;) {
            if (plat::peekMessage(&message)) {
                if (message.id == plat::MessageQuit) {
                    break;
                }
                plat::dispatchMessage(&message);
            }
            if (!gameFrame()) {
                failed = true;
                break;
            }
        }
    }

    releaseDevices();
    plat::cursorShow(true);
    return failed ? kFailureExitCode : int(message.wParam);
}
