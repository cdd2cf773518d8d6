#include "sound/wave.h"

#include "platform/files.h"
#include "platform/report.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

plat::SoundBuffer* soundBuffers[kSoundBufferSlots] = {};
WaveFile waveFiles[kWaveFileCount] = {};

namespace {

// Far above the game's sounds (effects of at most 53 KB, 1.6 MB of title
// music) and far below what would hurt: a file is read whole, and every
// effect's bytes are kept for the run.
constexpr uint64_t kMaxEffectFileBytes = 1024 * 1024;
constexpr uint64_t kMaxFrontEndFileBytes = 4 * 1024 * 1024;

struct EffectFile {
    int slot;
    const char* path;
};

// The effect files in slot order. The directory is written two ways; the
// file lookup ignores letter case, so both reach the one sounds directory.
constexpr EffectFile kEffectFiles[kWaveFileCount] = {
    {0, "Sons/Laser.wav"},      {1, "Sons/explosion_spore.wav"}, {4, "sons/Plante_pousse.wav"},
    {5, "sons/explosion2.wav"}, {6, "Sons/metamorphose2.wav"},
};
constexpr int kSporeExplosionSlot = 1;

bool soundsLoaded = false;

// A front-end sound as read once per run: its checked samples, or none when
// the file was refused (and the player told so).
struct FrontEndSound {
    std::string path;
    std::shared_ptr<plat::SoundSamples> samples;
};
std::vector<FrontEndSound> frontEndSounds;

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
    const std::string length = plat::soundProblem(wave.format, wave.formatSize, wave.dataSize);
    if (!problem.empty()) {
        plat::noteFailure("refused sound format in", path, problem);
    } else if (!length.empty()) {
        plat::noteFailure("cannot load", path, length);
    } else {
        plat::noteFailure("the sound device refused a buffer for", path);
    }
    return false;
}

void releaseEffects() {
    for (plat::SoundBuffer*& buffer : soundBuffers) {
        plat::soundBufferRelease(buffer);
        buffer = nullptr;
    }
    for (WaveFile& wave : waveFiles) {
        freeWaveFile(wave);
    }
}

} // namespace

std::string readWaveFile(const char* path, WaveFile& wave, uint64_t maxBytes) {
    freeWaveFile(wave);
    uint64_t size = 0;
    std::string why;
    std::FILE* file = plat::openDataFile(path, maxBytes, &size, &why);
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
    const std::string why = readWaveFile(path, wave, kMaxEffectFileBytes);
    return why.empty() || refuse(path, why);
}

bool parseWave(WaveFile& wave) {
    return walkChunks(wave) == nullptr;
}

bool loadSounds() {
    if (soundsLoaded) {
        releaseEffects();
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
    releaseEffects();
    frontEndSounds.clear();
}

bool playFrontEndSound(const char* path, bool loop) {
    if (path == nullptr) {
        return false;
    }
    auto known = std::find_if(frontEndSounds.begin(), frontEndSounds.end(),
                              [path](const FrontEndSound& sound) { return sound.path == path; });
    if (known == frontEndSounds.end()) {
        // Read once, through the same checks as the effects; only samples
        // that passed reach the player. A refused file costs one line.
        FrontEndSound sound{path, nullptr};
        WaveFile wave{};
        std::string why = readWaveFile(path, wave, kMaxFrontEndFileBytes);
        if (why.empty()) {
            sound.samples = plat::soundSamplesCreate(wave.format, wave.formatSize, wave.data,
                                                     wave.dataSize, &why);
        }
        freeWaveFile(wave);
        if (sound.samples == nullptr) {
            plat::reportFileNotice("cannot play", path, why + "; the game goes on without it");
        }
        known = frontEndSounds.insert(frontEndSounds.end(), std::move(sound));
    }
    plat::playerPlay(path, known->samples, loop);
    return known->samples != nullptr;
}
