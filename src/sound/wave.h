// WAVE files and the table of effect buffers.
#pragma once

#include "platform/audio.h"

#include <cstdint>

// One effect file read whole into memory, with its two chunks found.
struct WaveFile {
    uint8_t* fileData;
    uint32_t fileSize;
    // The "fmt " chunk's body, handed to the sound device as it stands.
    const uint8_t* format;
    uint32_t formatSize;
    // The "data" chunk's body: the samples.
    const uint8_t* data;
    uint32_t dataSize;
};

// The effect buffers by slot: 0 laser, 1 to 3 the spore explosion's three
// voices, 4 plant growth, 5 explosion, 6 metamorphosis; 7 to 9 stay empty.
constexpr int kSoundBufferSlots = 10;
extern plat::SoundBuffer* soundBuffers[kSoundBufferSlots];
// The five effect files as last loaded, in slot order.
constexpr int kWaveFileCount = 5;
extern WaveFile waveFiles[kWaveFileCount];

// Reads an effect file at path whole and finds its chunks. Frees what wave
// held. The file is looked at first: a regular file of at most 1 MiB.
bool loadWaveFile(const char* path, WaveFile& wave);
// Walks the chunks of wave.fileData: true when "fmt " and "data" were found
// inside the bytes the RIFF header and the file both cover. A file too short
// for its header, a chunk running past those bytes, or a riffSize beyond the
// file is refused.
bool parseWave(WaveFile& wave);
// Makes slots 0 to 6 anew from the effect files, releasing the last game's.
bool loadSounds();
// Releases every effect buffer and every file read (program end).
void releaseSoundBuffers();
