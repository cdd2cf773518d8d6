// Sound: one-shot effect buffers made from a WAVE format record and sample
// bytes, and a front-end player for one sound file at a time.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

struct SoundBuffer;

// The longest sound an effect buffer, and the front-end player, take. A
// backend converts the samples to its device's format, so the length (not
// the file's size) bounds what a sound costs whatever its rate: far above
// the game's own sounds (effects of about a second, 37 s of title music).
constexpr uint32_t kMaxEffectSeconds = 10;
constexpr uint32_t kMaxFrontEndSeconds = 60;

// Opens the sound device. The real game still succeeds when no audio device
// can be had; it then plays nothing.
bool audioOpen();
void audioClose();

// A buffer for `bytes` bytes of samples in the format described by a WAVE
// "fmt " chunk body of formatBytes bytes. PCM, 8 or 16 bits, one or two
// channels, 4000 to 192000 Hz; anything else is refused with null.
SoundBuffer* soundBufferCreate(const uint8_t* format, uint32_t formatBytes, uint32_t bytes);
// Why a buffer would refuse this "fmt " chunk body, in a few words; empty
// when the format plays.
std::string soundFormatProblem(const uint8_t* format, uint32_t formatBytes);
// Why a buffer would refuse these samples: their format, none at all, or
// more than kMaxEffectSeconds of them. Empty when they play.
std::string soundProblem(const uint8_t* format, uint32_t formatBytes, uint32_t bytes);
// Hands out the buffer's memory from offset over bytes, as up to two regions
// (the second is empty here). Samples written count from the unlock on.
bool soundBufferLock(SoundBuffer* buffer, uint32_t offset, uint32_t bytes, uint8_t** region1,
                     uint32_t* length1, uint8_t** region2, uint32_t* length2);
void soundBufferUnlock(SoundBuffer* buffer);
// A second voice that shares the samples of source and plays on its own.
SoundBuffer* soundBufferDuplicate(SoundBuffer* source);
// Plays once from the current position; a buffer still playing goes on
// where it is.
bool soundBufferPlay(SoundBuffer* buffer);
// The play position in bytes; 0 while the buffer is idle.
uint32_t soundBufferPosition(SoundBuffer* buffer);
void soundBufferRelease(SoundBuffer* buffer);
int liveSoundBufferCount();

// Front-end player, one sound at a time: stops whatever it played before
// and plays the WAVE file at path (resolved like every data path) from its
// start, looping or once. The file is read and checked once per run, by the
// walk and the format checks the effects go through, and only its checked
// samples reach the backend: a regular file of at most 4 MiB and
// kMaxFrontEndSeconds. A refused file plays nothing, costs one line on
// standard error for the run, and false. Returns at once.
bool playSoundFile(const char* path, bool loop);

namespace detail {
// Forgets the front-end files read (a fresh program).
void forgetSoundFiles();
} // namespace detail

} // namespace plat
