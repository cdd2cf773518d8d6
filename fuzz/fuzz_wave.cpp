// Fuzz target: any bytes as a WAVE file, first through the chunk walk on an
// exact-size copy, then as the spore explosion's file in a whole effect load
// on the headless backend (the other four effects are small valid files).
#include "scratch.h"

#include "platform/audio.h"
#include "platform/headless/headless.h"
#include "sound/wave.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A short 22050 Hz mono 16-bit effect.
std::vector<uint8_t> smallEffect() {
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    const uint32_t samples = 64;
    put32(out, 4 + 8 + 16 + 8 + samples * 2);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, 22050);
    put32(out, 44100);
    put16(out, 2);
    put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        put16(out, (i * 997) & 0xFFFF);
    }
    return out;
}

// The fuzzed file stands where the spore explosion's is read from: the
// effect whose buffer is duplicated for its two further voices.
const char* const kFuzzedEffect = "sons/explosion_spore.wav";

void setUp() {
    const std::string& dir = fuzzing::scratchDir();
    std::filesystem::create_directories(dir + "/sons");
    const std::vector<uint8_t> effect = smallEffect();
    for (const char* name :
         {"Laser.wav", "Plante_pousse.wav", "explosion2.wav", "metamorphose2.wav"}) {
        if (!fuzzing::writeWhole(dir + "/sons/" + name, effect.data(), effect.size())) {
            broken("cannot write the other effects");
        }
    }
    // The effects are opened by paths relative to the working directory.
    std::filesystem::current_path(dir);
    headless::reset();
    if (!plat::audioOpen()) {
        broken("the headless sound device did not open");
    }
}

void checkParse(const uint8_t* data, size_t size) {
    WaveFile wave{};
    // Exactly the input's bytes, so that a read one past the end is caught.
    wave.fileData = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
    if (size > 0) {
        std::memcpy(wave.fileData, data, size);
    }
    wave.fileSize = uint32_t(size);
    if (parseWave(wave)) {
        const uint8_t* begin = wave.fileData;
        const uint8_t* end = begin + size;
        if (wave.format == nullptr || wave.data == nullptr || wave.format < begin ||
            wave.format + wave.formatSize > end || wave.data < begin ||
            wave.data + wave.dataSize > end) {
            broken("a parsed file's chunks lie outside its bytes");
        }
        // Touch both chunk bodies from end to end.
        uint8_t sum = 0;
        for (uint32_t i = 0; i < wave.formatSize; ++i) {
            sum ^= wave.format[i];
        }
        for (uint32_t i = 0; i < wave.dataSize; ++i) {
            sum ^= wave.data[i];
        }
        volatile uint8_t keep = sum;
        (void)keep;
    }
    std::free(wave.fileData);
}

void checkLoad(const uint8_t* data, size_t size) {
    if (!fuzzing::writeWhole(kFuzzedEffect, data, size)) {
        broken("cannot write the input file");
    }
    const bool loaded = loadSounds();
    const int live = plat::liveSoundBufferCount();
    // Every load first gives back the last one's buffers: never more than
    // the seven slots, and all seven after a load that worked.
    if (live > 7 || (loaded && live != 7)) {
        broken("the effect load leaves the wrong number of buffers");
    }
    if (loaded) {
        for (int slot = 0; slot < 7; ++slot) {
            if (soundBuffers[slot] == nullptr) {
                broken("a loaded slot is empty");
            }
        }
        for (int slot = 7; slot < kSoundBufferSlots; ++slot) {
            if (soundBuffers[slot] != nullptr) {
                broken("an unused slot holds a buffer");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (setUp(), true);
    (void)ready;
    if (size > UINT32_MAX) {
        return 0;
    }
    checkParse(data, size);
    checkLoad(data, size);
    return 0;
}
