// Keys pressed through the X server's test extension.
#include "system_keys.h"

#include "fake_keyboard.h"

namespace contract {

namespace {

unsigned long keysymOf(plat::Key key) {
    switch (key) {
    case plat::Key::Enter:
        return 0xFF0D;
    case plat::Key::Escape:
        return 0xFF1B;
    case plat::Key::F3:
        return 0xFFC0;
    case plat::Key::F4:
        return 0xFFC1;
    case plat::Key::Left:
        return 0xFF51;
    case plat::Key::Right:
        return 0xFF53;
    case plat::Key::Up:
        return 0xFF52;
    case plat::Key::Down:
        return 0xFF54;
    case plat::Key::Space:
        break;
    }
    return 0x20;
}

} // namespace

bool systemKey(plat::Key key, bool down) {
    static FakeKeyboard keyboard;
    if (keyboard.display == nullptr) {
        return false;
    }
    keyboard.press(keyboard.keycodeOf(keyboard.display, keysymOf(key)), down);
    return true;
}

} // namespace contract
