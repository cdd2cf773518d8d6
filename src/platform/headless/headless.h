// The headless backend's controls, for the tests and the simulator: a
// virtual clock, keys held by a script, the presented frames in memory and
// every sound request recorded. It never opens a window or an audio device.
#pragma once

#include "platform/audio.h"
#include "platform/display.h"
#include "platform/input.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace headless {

// Back to a fresh program: the clock at startTick, no key held, nothing
// presented or recorded, no hook, no fault, no window.
void reset(uint32_t startTick = 10000000);

// The virtual tick counter. It moves only by one millisecond per idle turn
// (a turn of the frame's pacing wait, a pass of a screen's key poll that did
// not act: idleUntil and waitForInput alike), or when a test moves it.
uint32_t tick();
void setTick(uint32_t tick);
void advance(uint32_t milliseconds);
// Milliseconds the clock has moved since reset.
uint64_t elapsed();
// Whether the program is inside a screen's wait for a key (waitForInput),
// where nothing but the keys can change what it does next.
bool waitingForInput();

// Whether the player is away from the (imagined) window: the game stands
// still while they are, as on every backend. And whether the sound is held.
void setAway(bool away);
bool soundHeld();

// Keys held from now on: exactly these.
void holdKeys(std::initializer_list<plat::Key> keys);
void holdKeyMask(uint32_t mask);
uint32_t keyMask();
constexpr uint32_t keyBit(plat::Key key) {
    return 1u << static_cast<unsigned>(key);
}

// The last picture shown: 640x480 palette indices and the palette with it.
struct Frame {
    std::vector<uint8_t> pixels;
    std::array<plat::PaletteColour, 256> palette{};
    uint8_t at(int x, int y) const { return pixels[size_t(y) * plat::kScreenWidth + size_t(x)]; }
};
const Frame& presentedFrame();
// Pictures shown since reset (flips).
int presentCount();
bool displayIsOpen();
bool cursorShown();
bool audioIsOpen();

// Every start of an effect buffer, whether it was idle and started or was
// still playing and went on.
struct EffectRequest {
    const plat::SoundBuffer* buffer;
    uint32_t tick;
    bool started;
};
// Every request to the front-end player.
struct PlayerRequest {
    std::string path;
    bool loop;
    uint32_t tick;
    // Whether the file was found and its samples passed, so that it plays.
    bool played;
};
std::vector<EffectRequest>& effectRequests();
std::vector<PlayerRequest>& playerRequests();
// Every line the program wrote for the player on standard error, in order.
std::vector<std::string>& errorLines();

// Hooks for the simulator; any may be empty.
struct Hooks {
    // At the start of every turn of the message loop (each peek).
    std::function<void()> turn;
    // After every idle turn, once the clock has moved.
    std::function<void()> idle;
    // After every presented picture.
    std::function<void()> present;
    // At every start of an effect buffer, as it is recorded.
    std::function<void(const EffectRequest&)> effect;
};
Hooks& hooks();

} // namespace headless
