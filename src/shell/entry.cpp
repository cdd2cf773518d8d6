#include "shell/entry.h"

#include "platform/input.h"
#include "platform/report.h"
#include "shell/devices.h"
#include "shell/frame.h"
#include "shell/screens.h"

plat::Window* mainWindow = nullptr;

namespace {
constexpr const char* kWindowClass = "Quorvelindaxtor";
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
        plat::noteFailure("cannot register the game's window class");
        plat::reportFailure();
        return kFailureExitCode;
    }
    mainWindow = plat::windowCreate(kWindowClass);
    if (mainWindow == nullptr) {
        plat::noteFailure("cannot create the game's window");
        plat::reportFailure();
        return kFailureExitCode;
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
    if (failed) {
        // One line on standard error says what failed, and on which file.
        plat::reportFailure();
        return kFailureExitCode;
    }
    return int(message.wParam);
}
