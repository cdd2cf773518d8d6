#include "platform/wave_chunks.h"

#include <cctype>

namespace plat {

namespace {

uint32_t readU32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Compares a four-character id without regard to letter case.
bool idIs(const uint8_t* at, const char* id) {
    for (int i = 0; i < 4; ++i) {
        if (std::toupper(at[i]) != std::toupper(static_cast<unsigned char>(id[i]))) {
            return false;
        }
    }
    return true;
}

constexpr const char* kNoChunks = "no \"fmt \" and \"data\" chunks inside its RIFF data";

} // namespace

const char* findWaveChunks(const uint8_t* bytes, uint64_t fileSize, WaveChunks* chunks) {
    *chunks = WaveChunks{};
    if (bytes == nullptr || fileSize < 12) {
        return "the file is shorter than a RIFF header";
    }
    if (!idIs(bytes, "RIFF") || !idIs(bytes + 8, "WAVE")) {
        return "not a RIFF/WAVE file";
    }
    const uint64_t riffSize = readU32(bytes + 4);
    const uint64_t end = 8 + riffSize;
    if (end > fileSize) {
        return "its RIFF header gives more bytes than the file holds";
    }
    uint64_t offset = 12;
    if (offset >= end) {
        return kNoChunks;
    }
    for (;;) {
        if (offset + 8 > end) {
            return "a chunk header runs past the end of its RIFF data";
        }
        const uint64_t size = readU32(bytes + offset + 4);
        if (offset + 8 + size > end) {
            return "a chunk runs past the end of its RIFF data";
        }
        if (idIs(bytes + offset, "fmt ")) {
            chunks->format = bytes + offset + 8;
            chunks->formatSize = uint32_t(size);
        } else if (idIs(bytes + offset, "data")) {
            chunks->data = bytes + offset + 8;
            chunks->dataSize = uint32_t(size);
        }
        // Chunks follow one another exactly by their size fields.
        offset += 8 + size;
        if (chunks->format != nullptr && chunks->data != nullptr) {
            return nullptr;
        }
        if (offset >= end) {
            return kNoChunks;
        }
    }
}

} // namespace plat
