#include "platform/pause.h"

#include "platform/backend.h"
#include "platform/input.h"

namespace plat::pause {
namespace {

enum class Hold { None, PauseKey, CameBack };

Hold hold = Hold::None;
bool inPlay = false;
bool signUp = false;
// Whether the game stands still now, since when on the backend's clock, and
// how long it has stood still in all.
bool stopped = false;
uint32_t stoppedAt = 0;
uint32_t stoppedTotal = 0;

void showSign(bool shown) {
    if (signUp != shown) {
        signUp = shown;
        backend::showPauseSign(shown);
    }
}

} // namespace

void noteWait(bool play) {
    inPlay = play;
}

void pausePressed() {
    if (hold != Hold::None) {
        hold = Hold::None;
    } else if (inPlay) {
        hold = Hold::PauseKey;
    }
}

void escapePressed() {
    hold = Hold::None;
}

void otherPressed() {
    if (hold == Hold::CameBack) {
        hold = Hold::None;
    }
}

bool standStillWhileStopped() {
    if (closeRequested() || (hold == Hold::None && !backend::windowAway())) {
        return false;
    }
    stoppedAt = backend::pauseClockMs();
    stopped = true;
    backend::holdSound(true);
    while (!closeRequested()) {
        const bool away = backend::windowAway();
        if (away && inPlay) {
            hold = Hold::CameBack;
        }
        if (!away && hold == Hold::None) {
            break;
        }
        showSign(hold != Hold::None);
        backend::waitWhileStopped(hold != Hold::None);
    }
    hold = Hold::None;
    showSign(false);
    backend::holdSound(false);
    stoppedTotal += backend::pauseClockMs() - stoppedAt;
    stopped = false;
    return true;
}

uint32_t tickCount() {
    return (stopped ? stoppedAt : backend::pauseClockMs()) - stoppedTotal;
}

bool held() {
    return hold != Hold::None;
}

bool signShown() {
    return signUp;
}

uint32_t stoppedMs() {
    return stoppedTotal;
}

void forget() {
    hold = Hold::None;
    inPlay = false;
    if (signUp) {
        showSign(false);
    }
}

void restart() {
    forget();
    stopped = false;
    stoppedAt = 0;
    stoppedTotal = 0;
}

} // namespace plat::pause
