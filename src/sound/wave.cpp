#include "sound/wave.h"

#include "data_files.h"
#include "platform/files.h"
#include "platform/report.h"
#include "platform/wave_chunks.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

plat::SoundBuffer* soundBuffers[kSoundBufferSlots] = {};
WaveFile waveFiles[kWaveFileCount] = {};

namespace {

// Far above the game's effects (53 KB at most) and far below what would
// hurt: a file is read whole, and every effect's bytes are kept for the run.
constexpr uint64_t kMaxEffectFileBytes = 1024 * 1024;

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

// Finds the wave's chunks in its bytes; null when both were found, else why
// the file is refused.
const char* walkChunks(WaveFile& wave) {
    plat::WaveChunks chunks;
    const char* problem = plat::findWaveChunks(wave.fileData, wave.fileSize, &chunks);
    wave.format = chunks.format;
    wave.formatSize = chunks.formatSize;
    wave.data = chunks.data;
    wave.dataSize = chunks.dataSize;
    return problem;
}

// Notes why no buffer could be made for a file that was read.
bool refuseBuffer(const char* path, const WaveFile& wave) {
    std::string problem = plat::soundFormatProblem(wave.format, wave.formatSize);
    if (!problem.empty()) {
        plat::noteFailure("refused sound format in", path, problem);
    } else if (problem = plat::soundProblem(wave.format, wave.formatSize, wave.dataSize);
               !problem.empty()) {
        plat::noteFailure("cannot load", path, problem);
    } else {
        plat::noteFailure("the sound device refused a buffer for", path);
    }
    return false;
}

} // namespace

// Reads the file whole and finds its chunks; empty when both were found,
// else why the file is refused.
static std::string readWaveFile(const char* path, WaveFile& wave) {
    freeWaveFile(wave);
    uint64_t size = 0;
    std::string why;
    std::FILE* file = plat::openDataFile(path, kMaxEffectFileBytes, &size, &why);
    if (file == nullptr) {
        return why;
    }
    // The size is bounded, so the block is too; the headers are checked
    // against the bytes read.
    wave.fileData = static_cast<uint8_t*>(std::malloc(size > 0 ? size_t(size) : 1));
    if (wave.fileData == nullptr) {
        std::fclose(file);
        return "not enough memory to read it";
    }
    wave.fileSize = uint32_t(std::fread(wave.fileData, 1, size_t(size), file));
    std::fclose(file);
    if (const char* problem = walkChunks(wave)) {
        return problem;
    }
    return {};
}

bool loadWaveFile(const char* path, WaveFile& wave) {
    const std::string why = readWaveFile(path, wave);
    return why.empty() || refuse(path, why);
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
