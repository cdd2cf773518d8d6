#include "sound/wave.h"

#include "data_files.h"
#include "platform/files.h"
#include "platform/report.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

plat::SoundBuffer* soundBuffers[kSoundBufferSlots] = {};
WaveFile waveFiles[kWaveFileCount] = {};

namespace {

struct EffectFile {
    int slot;
    const char* path;
};

// The effect files in slot order. The directory is written two ways; the
// file lookup ignores letter case, so both reach the one sounds directory.
constexpr EffectFile kEffectFiles[kWaveFileCount] = {
    {0, dataFiles::kLaser},     {1, dataFiles::kSporeExplosion}, {4, dataFiles::kPlantGrowth},
    {5, dataFiles::kExplosion}, {6, dataFiles::kMetamorphosis},
};
constexpr int kSporeExplosionSlot = 1;

bool soundsLoaded = false;

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

void freeWaveFile(WaveFile& wave) {
    std::free(wave.fileData);
    wave = WaveFile{};
}

// Creates a buffer for the wave's samples and copies them in.
plat::SoundBuffer* makeFilledBuffer(const WaveFile& wave) {
    plat::SoundBuffer* buffer =
        plat::soundBufferCreate(wave.format, wave.formatSize, wave.dataSize);
    if (buffer == nullptr) {
        return nullptr;
    }
    uint8_t* region1 = nullptr;
    uint8_t* region2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    if (!plat::soundBufferLock(buffer, 0, wave.dataSize, &region1, &length1, &region2, &length2)) {
        plat::soundBufferRelease(buffer);
        return nullptr;
    }
    std::memcpy(region1, wave.data, length1);
    if (length2 != 0) {
        std::memcpy(region2, wave.data + length1, length2);
    }
    plat::soundBufferUnlock(buffer);
    return buffer;
}

// Notes why the file was refused; always false.
bool refuse(const char* path, const std::string& why) {
    plat::noteFailure("cannot load", path, why);
    return false;
}

constexpr const char* kNoChunks = "no \"fmt \" and \"data\" chunks inside its RIFF data";

// Walks the chunks as parseWave does; null when both were found, else why
// the file is refused.
const char* walkChunks(WaveFile& wave) {
    wave.format = nullptr;
    wave.data = nullptr;
    const uint8_t* bytes = wave.fileData;
    if (bytes == nullptr || wave.fileSize < 12) {
        return "the file is shorter than a RIFF header";
    }
    if (!idIs(bytes, "RIFF") || !idIs(bytes + 8, "WAVE")) {
        return "not a RIFF/WAVE file";
    }
    const uint64_t riffSize = readU32(bytes + 4);
    const uint64_t end = 8 + riffSize;
    if (end > wave.fileSize) {
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
            wave.format = bytes + offset + 8;
            wave.formatSize = uint32_t(size);
        } else if (idIs(bytes + offset, "data")) {
            wave.data = bytes + offset + 8;
            wave.dataSize = uint32_t(size);
        }
        // Chunks follow one another exactly by their size fields.
        offset += 8 + size;
        if (wave.format != nullptr && wave.data != nullptr) {
            return nullptr;
        }
        if (offset >= end) {
            return kNoChunks;
        }
    }
}

// Notes why no buffer could be made for a file that was read.
bool refuseBuffer(const char* path, const WaveFile& wave) {
    const std::string problem = plat::soundFormatProblem(wave.format, wave.formatSize);
    if (!problem.empty()) {
        plat::noteFailure("refused sound format in", path, problem);
    } else if (wave.dataSize == 0) {
        plat::noteFailure("cannot load", path, "its \"data\" chunk holds no samples");
    } else {
        plat::noteFailure("the sound device refused a buffer for", path);
    }
    return false;
}

} // namespace

bool loadWaveFile(const char* path, WaveFile& wave) {
    freeWaveFile(wave);
    std::FILE* file = plat::openDataFile(path);
    if (file == nullptr) {
        return refuse(path, std::strerror(errno));
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        size = std::ftell(file);
    }
    // Compared as unsigned: where long has 32 bits (Windows, WebAssembly),
    // long(UINT32_MAX) is -1 and every file would look too large.
    const bool tooLarge = size > 0 && uint64_t(size) > UINT32_MAX;
    if (size < 0 || tooLarge || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return refuse(path,
                      tooLarge ? "the file is larger than 4 GiB" : "cannot find the file's size");
    }
    wave.fileData = static_cast<uint8_t*>(std::malloc(size > 0 ? size_t(size) : 1));
    if (wave.fileData == nullptr) {
        std::fclose(file);
        return refuse(path, "not enough memory to read it");
    }
    wave.fileSize = uint32_t(std::fread(wave.fileData, 1, size_t(size), file));
    std::fclose(file);
    if (const char* problem = walkChunks(wave)) {
        return refuse(path, problem);
    }
    return true;
}

bool parseWave(WaveFile& wave) {
    return walkChunks(wave) == nullptr;
}

bool loadSounds() {
    if (soundsLoaded) {
        releaseSoundBuffers();
    }
    soundsLoaded = true;
    for (int i = 0; i < kWaveFileCount; ++i) {
        const EffectFile& effect = kEffectFiles[i];
        WaveFile& wave = waveFiles[i];
        if (!loadWaveFile(effect.path, wave)) {
            return false;
        }
        soundBuffers[effect.slot] = makeFilledBuffer(wave);
        if (soundBuffers[effect.slot] == nullptr) {
            return refuseBuffer(effect.path, wave);
        }
        if (effect.slot != kSporeExplosionSlot) {
            continue;
        }
        // Two more voices of the spore explosion share its samples; where a
        // duplicate is refused the voice gets its own copy.
        for (int voice = kSporeExplosionSlot + 1; voice <= kSporeExplosionSlot + 2; ++voice) {
            soundBuffers[voice] = plat::soundBufferDuplicate(soundBuffers[kSporeExplosionSlot]);
            if (soundBuffers[voice] == nullptr) {
                soundBuffers[voice] = makeFilledBuffer(wave);
            }
            if (soundBuffers[voice] == nullptr) {
                return false;
            }
        }
    }
    return true;
}

void releaseSoundBuffers() {
    for (plat::SoundBuffer*& buffer : soundBuffers) {
        plat::soundBufferRelease(buffer);
        buffer = nullptr;
    }
    for (WaveFile& wave : waveFiles) {
        freeWaveFile(wave);
    }
}
