// What a backend supplies to the common platform code. One backend is linked
// into each program: sdl/ for the real game, headless/ for the tests and the
// simulator. The common code (surfaces, text, messages, files, effect-buffer
// storage) is the same for both.
#pragma once

#include "platform/audio.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// The first 16 bytes of a WAVE "fmt " chunk.
struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

// Samples shared by a buffer and its duplicates.
struct SoundSamples {
    WaveFormat format;
    std::vector<uint8_t> bytes;
    // Bumped by every unlock, so a backend knows when to convert anew.
    uint32_t version = 0;
};

struct SoundBuffer {
    std::shared_ptr<SoundSamples> samples;
    // Whatever the backend keeps for this voice; it frees it in voiceRelease.
    void* voice = nullptr;
};

namespace backend {

// Display: the window (or nothing, headless) and the presentation of the
// shown picture. pixels is 640x480 indices, row by row.
bool displayOpen();
void displayClose();
void displayPresent(const uint8_t* pixels, const PaletteColour palette[256]);

// Desktop events: a close request calls detail::requestClose, a picture to
// redraw posts MessagePaint to the window (if any).
void pumpEvents();

bool keyDown(Key key);
uint32_t tickCount();
void idleUntil(uint32_t deadline);
void waitForInput();
void cursorShow(bool show);

// What the pause (pause.h) asks of a backend: whether the player is away
// from the window (hidden, minimised or without the keyboard); the
// backend's own millisecond clock, which runs on while the game stands
// still; one turn of the wait while it stands still, which reads the events
// (telling the pause of presses) and answers the desktop's requests, held
// saying whether the sign is up; holding and letting go every sound; the
// sign over the presented picture.
bool windowAway();
uint32_t pauseClockMs();
void waitWhileStopped(bool held);
void holdSound(bool held);
void showPauseSign(bool shown);

bool audioOpen();
void audioClose();
// The buffer's samples were (re)written.
void voiceReady(SoundBuffer* buffer);
// Plays the buffer once from its start if it is idle; nothing if it plays.
void voicePlay(SoundBuffer* buffer);
// Bytes played so far; 0 while idle.
uint32_t voicePosition(SoundBuffer* buffer);
void voiceRelease(SoundBuffer* buffer);
// The front-end player, one sound at a time: stops what it played and plays
// sound (checked samples, as for a buffer) from its start, looping or once;
// a null sound only stops. path is the file the game asked for.
void playerPlay(const char* path, const std::shared_ptr<SoundSamples>& sound, bool loop);

// One line for the player on standard error (the headless backend keeps it
// for the tests instead).
void writeErrorLine(const std::string& line);
// What the backend's library last said about a request it refused; may be
// empty.
std::string lastError();

} // namespace backend

namespace detail {
// Marks the desktop's close request; Esc reads as held from then on.
void requestClose();
// The window that desktop events are addressed to, or null.
Window* mainWindowForEvents();
} // namespace detail

} // namespace plat
