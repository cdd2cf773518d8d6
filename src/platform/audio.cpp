// Effect buffers: their samples live here, the backend plays them.
#include "platform/audio.h"
#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/report.h"
#include "platform/wave_chunks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace plat {

namespace {

constexpr uint16_t kFormatPcm = 1;
// The largest effect a buffer may hold.
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

int liveBuffers = 0;
bool audioIsOpen = false;

// Reads the format record of a "fmt " chunk body; for anything a buffer
// cannot play, says why.
std::string readFormat(const uint8_t* bytes, uint32_t length, WaveFormat* format) {
    if (bytes == nullptr || length < 16) {
        return "a format record of " + std::to_string(bytes == nullptr ? 0 : length) +
               " bytes (16 at least)";
    }
    auto u16 = [bytes](int at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [bytes](int at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    format->formatTag = u16(0);
    format->channels = u16(2);
    format->samplesPerSec = u32(4);
    format->avgBytesPerSec = u32(8);
    format->blockAlign = u16(12);
    format->bitsPerSample = u16(14);
    if (format->formatTag != kFormatPcm) {
        return "format tag " + std::to_string(format->formatTag) +
               ", compressed or floating-point samples (only PCM plays)";
    }
    if (format->channels < 1 || format->channels > 2) {
        return std::to_string(format->channels) + " channels (1 or 2 play)";
    }
    if (format->bitsPerSample != 8 && format->bitsPerSample != 16) {
        return std::to_string(format->bitsPerSample) + " bits per sample (8 or 16 play)";
    }
    if (format->samplesPerSec < 4000 || format->samplesPerSec > 192000) {
        return std::to_string(format->samplesPerSec) + " samples a second (4000 to 192000 play)";
    }
    if (format->blockAlign != format->channels * format->bitsPerSample / 8) {
        return "a block of " + std::to_string(format->blockAlign) + " bytes for " +
               std::to_string(format->channels) + " channels of " +
               std::to_string(format->bitsPerSample) + " bits";
    }
    // The byte rate follows from the rest; a file that states it wrongly
    // still plays at its sample rate.
    format->avgBytesPerSec = format->samplesPerSec * format->blockAlign;
    return {};
}

// Why these many bytes of samples are refused in this (readable) format.
std::string lengthProblem(const WaveFormat& format, uint32_t bytes, uint32_t maxSeconds) {
    if (bytes < format.blockAlign) {
        return "its \"data\" chunk holds no samples";
    }
    const uint64_t perSecond = format.avgBytesPerSec;
    if (bytes > kMaxBufferBytes || bytes > uint64_t(maxSeconds) * perSecond) {
        return std::to_string((bytes + perSecond - 1) / perSecond) + " s of sound, more than the " +
               std::to_string(maxSeconds) + " s such a sound may last";
    }
    return {};
}

} // namespace

bool audioOpen() {
    if (audioIsOpen) {
        return true;
    }
    if (detail::faultHit(Fault::AudioOpen) || !backend::audioOpen()) {
        return false;
    }
    audioIsOpen = true;
    return true;
}

void audioClose() {
    detail::forgetSoundFiles();
    if (audioIsOpen) {
        backend::audioClose();
        audioIsOpen = false;
    }
}

std::string soundFormatProblem(const uint8_t* format, uint32_t formatBytes) {
    WaveFormat wave{};
    return readFormat(format, formatBytes, &wave);
}

std::string soundProblem(const uint8_t* format, uint32_t formatBytes, uint32_t bytes) {
    WaveFormat wave{};
    if (std::string problem = readFormat(format, formatBytes, &wave); !problem.empty()) {
        return problem;
    }
    return lengthProblem(wave, bytes, kMaxEffectSeconds);
}

SoundBuffer* soundBufferCreate(const uint8_t* format, uint32_t formatBytes, uint32_t bytes) {
    WaveFormat wave{};
    if (!audioIsOpen || !readFormat(format, formatBytes, &wave).empty() ||
        !lengthProblem(wave, bytes, kMaxEffectSeconds).empty() ||
        detail::faultHit(Fault::SoundBufferCreate)) {
        return nullptr;
    }
    auto* buffer = new SoundBuffer;
    buffer->samples = std::make_shared<SoundSamples>();
    buffer->samples->format = wave;
    buffer->samples->bytes.assign(bytes, wave.bitsPerSample == 8 ? 0x80 : 0);
    backend::voiceReady(buffer);
    ++liveBuffers;
    return buffer;
}

bool soundBufferLock(SoundBuffer* buffer, uint32_t offset, uint32_t bytes, uint8_t** region1,
                     uint32_t* length1, uint8_t** region2, uint32_t* length2) {
    if (buffer == nullptr || region1 == nullptr || length1 == nullptr ||
        detail::faultHit(Fault::SoundBufferLock)) {
        return false;
    }
    const uint64_t size = buffer->samples->bytes.size();
    if (uint64_t(offset) + bytes > size) {
        return false;
    }
    *region1 = buffer->samples->bytes.data() + offset;
    *length1 = bytes;
    if (region2 != nullptr) {
        *region2 = nullptr;
    }
    if (length2 != nullptr) {
        *length2 = 0;
    }
    return true;
}

void soundBufferUnlock(SoundBuffer* buffer) {
    if (buffer != nullptr) {
        ++buffer->samples->version;
        backend::voiceReady(buffer);
    }
}

SoundBuffer* soundBufferDuplicate(SoundBuffer* source) {
    if (source == nullptr || detail::faultHit(Fault::SoundBufferDuplicate)) {
        return nullptr;
    }
    auto* buffer = new SoundBuffer;
    buffer->samples = source->samples;
    backend::voiceReady(buffer);
    ++liveBuffers;
    return buffer;
}

bool soundBufferPlay(SoundBuffer* buffer) {
    if (buffer == nullptr) {
        return false;
    }
    backend::voicePlay(buffer);
    return true;
}

uint32_t soundBufferPosition(SoundBuffer* buffer) {
    return buffer != nullptr ? backend::voicePosition(buffer) : 0;
}

void soundBufferRelease(SoundBuffer* buffer) {
    if (buffer == nullptr) {
        return;
    }
    backend::voiceRelease(buffer);
    --liveBuffers;
    delete buffer;
}

int liveSoundBufferCount() {
    return liveBuffers;
}

namespace {

// Far above the game's title music (1.6 MB) and far below what would hurt:
// the file is read whole.
constexpr uint64_t kMaxFrontEndFileBytes = 4 * 1024 * 1024;

// A front-end file as read once per run: its checked samples, or none when
// it was refused (and the player told why).
struct FrontEndFile {
    std::string path;
    std::shared_ptr<SoundSamples> samples;
};
std::vector<FrontEndFile> frontEndFiles;

// The checked samples of the file at path; null with why filled when the
// file is refused.
std::shared_ptr<SoundSamples> readSoundFile(const char* path, std::string* why) {
    uint64_t size = 0;
    std::FILE* file = openDataFile(path, kMaxFrontEndFileBytes, &size, why);
    if (file == nullptr) {
        return nullptr;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    WaveChunks chunks;
    if (const char* problem = findWaveChunks(bytes.data(), bytes.size(), &chunks)) {
        *why = problem;
        return nullptr;
    }
    WaveFormat format{};
    *why = readFormat(chunks.format, chunks.formatSize, &format);
    if (why->empty()) {
        *why = lengthProblem(format, chunks.dataSize, kMaxFrontEndSeconds);
    }
    if (!why->empty()) {
        return nullptr;
    }
    auto samples = std::make_shared<SoundSamples>();
    samples->format = format;
    samples->bytes.assign(chunks.data, chunks.data + chunks.dataSize);
    return samples;
}

} // namespace

bool playSoundFile(const char* path, bool loop) {
    if (path == nullptr) {
        return false;
    }
    auto known = std::find_if(frontEndFiles.begin(), frontEndFiles.end(),
                              [path](const FrontEndFile& file) { return file.path == path; });
    if (known == frontEndFiles.end()) {
        std::string why;
        FrontEndFile file{path, readSoundFile(path, &why)};
        if (file.samples == nullptr) {
            reportFileNotice("cannot play", path, why + "; the game goes on without it");
        }
        known = frontEndFiles.insert(frontEndFiles.end(), std::move(file));
    }
    backend::playerPlay(path, known->samples, loop);
    return known->samples != nullptr;
}

void detail::forgetSoundFiles() {
    frontEndFiles.clear();
}

} // namespace plat
