// The finished mix as it reaches the device, written to a file by SDL's
// disk audio driver: a pile-up of loud sounds never reaches full scale, a
// sound alone plays at its own level, and holding and letting go of the
// sound fades it without a step.
#include "platform/backend.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

namespace backend = plat::backend;
using plat::SoundBuffer;
using Buffer = std::unique_ptr<SoundBuffer, void (*)(SoundBuffer*)>;

// A sine of the given peak and frequency, 16-bit mono at 22050 Hz, rising
// and falling over its first and last 20 ms, so that it has no step of its
// own.
Buffer makeSine(int peak, double hertz, int ms) {
    auto* buffer = new SoundBuffer;
    buffer->samples = std::make_shared<plat::SoundSamples>();
    buffer->samples->format = {1, 1, 22050, 44100, 2, 16};
    const int count = 22050 * ms / 1000;
    buffer->samples->bytes.resize(size_t(count) * 2);
    const int ramp = 441;
    for (int i = 0; i < count; ++i) {
        const double edge = std::min(1.0, double(std::min(i, count - 1 - i)) / ramp);
        const auto value = int16_t(std::lrint(peak * edge * std::sin(2 * kPi * hertz * i / 22050)));
        buffer->samples->bytes[size_t(i) * 2] = uint8_t(value & 0xFF);
        buffer->samples->bytes[size_t(i) * 2 + 1] = uint8_t((value >> 8) & 0xFF);
    }
    backend::voiceReady(buffer);
    return Buffer(buffer, [](SoundBuffer* b) {
        backend::voiceRelease(b);
        delete b;
    });
}

// The stretch of samples that are not silent, from the first loud one to
// the last.
struct Stretch {
    size_t begin = 0;
    size_t end = 0;
};

TEST(SdlMix, NeverFullScaleOwnLevelAloneAndNoStepWhenHeld) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("qv_sdl_mix_" + std::to_string(SDL_GetTicks64()) + ".raw");
    const std::string driver = std::getenv("SDL_AUDIODRIVER") ? std::getenv("SDL_AUDIODRIVER") : "";
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", file.string().c_str(), 1);
    ASSERT_TRUE(backend::audioOpen());
    ASSERT_TRUE(plat::sdl::testing::audioDeviceOpen());
    {
        // Five sounds near full scale at once, then silence, then one at
        // half scale alone, held and let go half-way through.
        std::vector<Buffer> loud;
        for (int i = 0; i < 5; ++i) {
            loud.push_back(makeSine(32000, 60.0 + 7 * i, 400));
        }
        Buffer alone = makeSine(16384, 150.0, 900);
        for (Buffer& buffer : loud) {
            backend::voicePlay(buffer.get());
        }
        SDL_Delay(700);
        backend::voicePlay(alone.get());
        SDL_Delay(250);
        plat::sdl::pauseSound(true);
        SDL_Delay(150);
        plat::sdl::pauseSound(false);
        SDL_Delay(900);
    }
    backend::audioClose();
    SDL_setenv("SDL_AUDIODRIVER", driver.c_str(), 1);

    std::ifstream in(file, std::ios::binary);
    std::vector<int16_t> samples((std::filesystem::file_size(file) + 1) / 2);
    in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * 2));
    // Closed first: Windows removes no file that is open.
    in.close();
    std::filesystem::remove(file);
    ASSERT_GT(samples.size(), 22050u * 2);

    int peak = 0;
    int clipped = 0;
    int step = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(int(samples[i])));
        clipped += samples[i] == INT16_MAX || samples[i] == INT16_MIN;
        if (i >= 2) {
            // Left with left, right with right.
            step = std::max(step, std::abs(int(samples[i]) - int(samples[i - 2])));
        }
    }
    EXPECT_EQ(clipped, 0);
    EXPECT_LT(peak, 29300) << "above -1 dBFS";
    EXPECT_GT(peak, 28000) << "the pile-up is pressed down, not lost";
    // The largest step a sine of this level and pitch takes, with room for
    // the limiter's turns; cutting the sound off or in would be a step of
    // up to its whole level.
    EXPECT_LT(step, 2500);

    // The sound alone, after the pile-up and the limiter's release: at its
    // own level.
    int alonePeak = 0;
    for (size_t i = samples.size() / 2; i < samples.size(); ++i) {
        alonePeak = std::max(alonePeak, std::abs(int(samples[i])));
    }
    EXPECT_NEAR(alonePeak, 16384, 200);
}

} // namespace
