// Effect voices on SDL_mixer, beyond what every backend does: samples
// converted to the device's format, a mixer channel for every voice, and
// time kept without a device. With SDL's dummy audio driver (which consumes
// samples in real time) and with no device.
#include "platform/backend.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace backend = plat::backend;
using plat::SoundBuffer;
using Buffer = std::unique_ptr<SoundBuffer, void (*)(SoundBuffer*)>;

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Buffer ready(SoundBuffer* buffer) {
    backend::voiceReady(buffer);
    return Buffer(buffer, [](SoundBuffer* b) {
        backend::voiceRelease(b);
        delete b;
    });
}

// A buffer as the common code makes one: PCM samples of a quiet square wave.
Buffer makeBuffer(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t ms) {
    auto* buffer = new SoundBuffer;
    buffer->samples = std::make_shared<plat::SoundSamples>();
    const uint16_t block = uint16_t(channels * bits / 8);
    buffer->samples->format = {1, channels, rate, rate * block, block, bits};
    buffer->samples->bytes.resize(size_t(rate) * ms / 1000 * block);
    for (size_t i = 0; i < buffer->samples->bytes.size(); ++i) {
        buffer->samples->bytes[i] = (i / 64) % 2 ? 0x90 : 0x70;
    }
    return ready(buffer);
}

Buffer duplicate(const Buffer& source) {
    return ready(new SoundBuffer{source->samples});
}

// Milliseconds until the buffer reads idle, or limit + 1.
int msUntilIdle(SoundBuffer* buffer, int limit) {
    const auto start = std::chrono::steady_clock::now();
    int waited = 0;
    while (backend::voicePosition(buffer) != 0 && waited <= limit) {
        sleepMs(2);
        waited = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count());
    }
    return waited;
}

class SdlAudio : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(backend::audioOpen());
        ASSERT_TRUE(plat::sdl::testing::audioDeviceOpen()) << "run with SDL_AUDIODRIVER=dummy";
    }
    void TearDown() override { backend::audioClose(); }
};

TEST_F(SdlAudio, SamplesConvertedToTheDeviceRate) {
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);
    Buffer buffer = makeBuffer(11025, 1, 8, 400);
    backend::voicePlay(buffer.get());
    std::vector<const Mix_Chunk*> playing;
    for (int channel = 0; channel < Mix_AllocateChannels(-1); ++channel) {
        if (Mix_Playing(channel)) {
            playing.push_back(Mix_GetChunk(channel));
        }
    }
    ASSERT_EQ(playing.size(), 1u);
    const double expected = 0.4 * rate * channels * (SDL_AUDIO_BITSIZE(format) / 8);
    EXPECT_NEAR(double(playing[0]->alen), expected, expected * 0.01);
}

TEST_F(SdlAudio, DuplicatesPlayOnTheirOwnChannels) {
    Buffer first = makeBuffer(8000, 1, 8, 700);
    std::vector<Buffer> copies;
    // More voices than the mixer starts with channels.
    for (int i = 0; i < 40; ++i) {
        copies.push_back(duplicate(first));
    }
    backend::voicePlay(first.get());
    sleepMs(200);
    EXPECT_EQ(backend::voicePosition(copies[0].get()), 0u);
    for (const Buffer& copy : copies) {
        backend::voicePlay(copy.get());
    }
    sleepMs(20);
    const uint32_t firstAt = backend::voicePosition(first.get());
    EXPECT_GT(firstAt, 8000u * 150 / 1000);
    for (const Buffer& copy : copies) {
        const uint32_t at = backend::voicePosition(copy.get());
        EXPECT_TRUE(at > 0 && at < firstAt) << at;
    }
    // Releasing a voice leaves the others, and their shared samples, playing.
    first.reset();
    const uint32_t before = backend::voicePosition(copies[39].get());
    sleepMs(100);
    EXPECT_GT(backend::voicePosition(copies[39].get()), before);

    // Samples written anew reach every voice that shares them.
    ASSERT_LE(msUntilIdle(copies[39].get(), 1000), 1000);
    copies[0]->samples->bytes.assign(8000, 0x80);
    ++copies[0]->samples->version;
    backend::voiceReady(copies[0].get());
    backend::voicePlay(copies[1].get());
    sleepMs(800);
    EXPECT_GT(backend::voicePosition(copies[1].get()), 8000u * 700 / 1000);
}

TEST(SdlAudioSilent, BuffersKeepTimeWithoutADevice) {
    const std::string driver = SDL_getenv("SDL_AUDIODRIVER") ? SDL_getenv("SDL_AUDIODRIVER") : "";
    SDL_setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    const bool opened = backend::audioOpen();
    SDL_setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(plat::sdl::testing::audioDeviceOpen());
    {
        Buffer buffer = makeBuffer(8000, 1, 8, 300);
        Buffer twin = duplicate(buffer);
        backend::voicePlay(buffer.get());
        sleepMs(100);
        const uint32_t before = backend::voicePosition(buffer.get());
        EXPECT_GT(before, 8000u * 80 / 1000);
        backend::voicePlay(buffer.get());
        EXPECT_GE(backend::voicePosition(buffer.get()), before);
        EXPECT_EQ(backend::voicePosition(twin.get()), 0u);
        const int rest = msUntilIdle(buffer.get(), 1000);
        EXPECT_GT(rest, 150);
        EXPECT_LT(rest, 300);
        backend::playerPlay("missing.wav", nullptr, false);
    }
    backend::audioClose();
}

} // namespace
