// The chunks of a RIFF/WAVE file held in memory: the one walk that every
// sound of the game is read by, effects and front-end sounds alike.
#pragma once

#include <cstdint>

namespace plat {

struct WaveChunks {
    // The "fmt " chunk's body: the wave format record.
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    // The "data" chunk's body: the samples.
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
};

// Walks the chunks of the size bytes at bytes, from offset 12 by their size
// fields (no pad byte), until both "fmt " and "data" have been seen; ids
// match in any letter case, and a repeated chunk replaces the earlier one.
// Null when both were found inside the bytes that the RIFF header and the
// file both cover (chunks then points into bytes); else why the file is
// refused: too short for its header, not RIFF/WAVE, a RIFF size beyond the
// file, a chunk past the end, or a chunk missing.
const char* findWaveChunks(const uint8_t* bytes, uint64_t size, WaveChunks* chunks);

} // namespace plat
