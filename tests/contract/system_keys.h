// Presses or lets go a key as the window system would see a player do it:
// through the X server's test extension, or Windows' SendInput. False if
// the system offers no way.
#pragma once

#include "platform/input.h"

namespace contract {

bool systemKey(plat::Key key, bool down);

} // namespace contract
