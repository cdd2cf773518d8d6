#include "platform/headless/headless.h"

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/glyphs.h"
#include "platform/pause.h"
#include "platform/report.h"
#include "platform/voice_clock.h"
#include "platform/window.h"

#include <algorithm>
#include <cstring>

namespace headless {

namespace {

// One effect voice: it plays from startTick for durationMs milliseconds.
struct Voice {
    bool started = false;
    uint32_t startTick = 0;
    uint32_t durationMs = 0;
};

struct State {
    uint32_t tick = 10000000;
    uint64_t elapsed = 0;
    uint32_t keys = 0;
    Frame frame;
    int presents = 0;
    bool displayOpen = false;
    bool cursorShown = true;
    bool audioOpen = false;
    bool waitingForInput = false;
    bool away = false;
    bool soundHeld = false;
    std::vector<EffectRequest> effects;
    std::vector<PlayerRequest> player;
    std::vector<std::string> errorLines;
    Hooks hooks;
};

State state;

Voice* voiceOf(plat::SoundBuffer* buffer) {
    return static_cast<Voice*>(buffer->voice);
}

bool playing(const Voice& voice) {
    return voice.started && plat::voicePlaysAt(voice.startTick, voice.durationMs, state.tick);
}

void idleTurn() {
    advance(1);
    if (state.hooks.idle) {
        state.hooks.idle();
    }
}

} // namespace

void reset(uint32_t startTick) {
    state = State{};
    state.tick = startTick;
    state.frame.pixels.assign(size_t(plat::kScreenWidth) * plat::kScreenHeight, 0);
    plat::clearFaults();
    plat::pause::restart();
    plat::windowSystemReset();
    plat::detail::resetReports();
    plat::detail::forgetGlyphFont();
    plat::detail::forgetSoundFiles();
}

uint32_t tick() {
    return state.tick;
}

void setTick(uint32_t value) {
    state.tick = value;
}

void advance(uint32_t milliseconds) {
    state.tick += milliseconds;
    state.elapsed += milliseconds;
}

uint64_t elapsed() {
    return state.elapsed;
}

bool waitingForInput() {
    return state.waitingForInput;
}

void setAway(bool away) {
    state.away = away;
}

bool soundHeld() {
    return state.soundHeld;
}

void holdKeys(std::initializer_list<plat::Key> keys) {
    uint32_t mask = 0;
    for (plat::Key key : keys) {
        mask |= keyBit(key);
    }
    state.keys = mask;
}

void holdKeyMask(uint32_t mask) {
    state.keys = mask;
}

uint32_t keyMask() {
    return state.keys;
}

const Frame& presentedFrame() {
    return state.frame;
}

int presentCount() {
    return state.presents;
}

bool displayIsOpen() {
    return state.displayOpen;
}

bool cursorShown() {
    return state.cursorShown;
}

bool audioIsOpen() {
    return state.audioOpen;
}

std::vector<EffectRequest>& effectRequests() {
    return state.effects;
}

std::vector<PlayerRequest>& playerRequests() {
    return state.player;
}

std::vector<std::string>& errorLines() {
    return state.errorLines;
}

Hooks& hooks() {
    return state.hooks;
}

} // namespace headless

namespace plat::backend {

using headless::state;

bool displayOpen() {
    state.displayOpen = true;
    return true;
}

void displayClose() {
    state.displayOpen = false;
}

void displayPresent(const uint8_t* pixels, const PaletteColour palette[256]) {
    std::memcpy(state.frame.pixels.data(), pixels, state.frame.pixels.size());
    std::copy(palette, palette + 256, state.frame.palette.begin());
    ++state.presents;
    if (state.hooks.present) {
        state.hooks.present();
    }
}

void pumpEvents() {
    if (state.hooks.turn) {
        state.hooks.turn();
    }
    pause::standStillWhileStopped();
}

bool keyDown(Key key) {
    return (state.keys & headless::keyBit(key)) != 0;
}

uint32_t tickCount() {
    return pause::tickCount();
}

bool windowAway() {
    return state.away;
}

uint32_t pauseClockMs() {
    return state.tick;
}

// A turn of standing still moves the virtual clock as any idle turn does.
void waitWhileStopped(bool) {
    headless::idleTurn();
}

void holdSound(bool held) {
    state.soundHeld = held;
}

void showPauseSign(bool) {}

// Every wait moves the virtual clock by the same millisecond a turn, so a
// frame lasts exactly its period and a screen's wait is counted in turns.
void idleUntil(uint32_t) {
    pause::noteWait(true);
    headless::idleTurn();
}

void waitForInput() {
    // Cleared however the turn ends: a simulator's hook may leave the wait
    // by throwing.
    struct Waiting {
        Waiting() { state.waitingForInput = true; }
        ~Waiting() { state.waitingForInput = false; }
    } waiting;
    pause::noteWait(false);
    headless::idleTurn();
}

void cursorShow(bool show) {
    state.cursorShown = show;
}

bool audioOpen() {
    state.audioOpen = true;
    return true;
}

void audioClose() {
    state.audioOpen = false;
}

void voiceReady(SoundBuffer* buffer) {
    if (buffer->voice == nullptr) {
        buffer->voice = new headless::Voice;
    }
    headless::voiceOf(buffer)->durationMs = voiceLengthMs(*buffer->samples);
}

void voicePlay(SoundBuffer* buffer) {
    headless::Voice& voice = *headless::voiceOf(buffer);
    const bool start = !headless::playing(voice);
    if (start) {
        voice.started = true;
        voice.startTick = state.tick;
    }
    state.effects.push_back({buffer, state.tick, start});
    if (state.hooks.effect) {
        state.hooks.effect(state.effects.back());
    }
}

uint32_t voicePosition(SoundBuffer* buffer) {
    const headless::Voice& voice = *headless::voiceOf(buffer);
    if (!headless::playing(voice)) {
        return 0;
    }
    return voicePositionAt(*buffer->samples, voice.startTick, state.tick);
}

void voiceRelease(SoundBuffer* buffer) {
    delete headless::voiceOf(buffer);
    buffer->voice = nullptr;
}

void playerPlay(const char* path, const std::shared_ptr<SoundSamples>& sound, bool loop) {
    state.player.push_back({path, loop, state.tick, sound != nullptr});
}

void writeErrorLine(const std::string& line) {
    state.errorLines.push_back(line);
}

std::string lastError() {
    return {};
}

} // namespace plat::backend
