// Keys pressed through Windows' SendInput, by their scan codes (the arrows
// are the extended ones), as a keyboard sends them.
#include "system_keys.h"

#include <windows.h>

namespace contract {

namespace {

struct ScanCode {
    WORD code;
    bool extended;
};

ScanCode scanCodeOf(plat::Key key) {
    switch (key) {
    case plat::Key::Enter:
        return {0x1C, false};
    case plat::Key::Escape:
        return {0x01, false};
    case plat::Key::F3:
        return {0x3D, false};
    case plat::Key::F4:
        return {0x3E, false};
    case plat::Key::Left:
        return {0x4B, true};
    case plat::Key::Right:
        return {0x4D, true};
    case plat::Key::Up:
        return {0x48, true};
    case plat::Key::Down:
        return {0x50, true};
    case plat::Key::Space:
        break;
    }
    return {0x39, false};
}

} // namespace

bool systemKey(plat::Key key, bool down) {
    const ScanCode scan = scanCodeOf(key);
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = scan.code;
    input.ki.dwFlags = KEYEVENTF_SCANCODE | (scan.extended ? KEYEVENTF_EXTENDEDKEY : 0) |
                       (down ? 0 : KEYEVENTF_KEYUP);
    return SendInput(1, &input, sizeof input) == 1;
}

} // namespace contract
