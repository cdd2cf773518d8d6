// The sound files of the build: their format as the game's loader walks it,
// their lengths and levels, the direction each sound moves in, the seamless
// loop of the title music, and the same bytes from every run of the
// generator.
#include "support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

const std::string kSoundDir = QV_DATA_DIR "/sons/";

// How long each sound may last, in seconds.
struct Expected {
    const char* name;
    double shortest;
    double longest;
};

const Expected kEffects[] = {
    {"Laser.wav", 0.1, 0.25},          {"explosion_spore.wav", 0.3, 0.5},
    {"Plante_pousse.wav", 0.2, 0.4},   {"explosion2.wav", 0.9, 1.5},
    {"metamorphose2.wav", 0.45, 0.75}, {"GameOver_bis.wav", 2.0, 3.0},
};
const Expected kMusic = {"alien.wav", 8.0, 20.0};

std::vector<Expected> everySound() {
    std::vector<Expected> all(std::begin(kEffects), std::end(kEffects));
    all.push_back(kMusic);
    return all;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t read16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t read32(const std::vector<uint8_t>& b, size_t at) {
    return read16(b, at) | read16(b, at + 2) << 16;
}

// A WAVE file as this test reads it: its own chunk walk, independent of
// the game's loader and of the generator's writer.
struct Wave {
    std::string problem; // empty when the file could be read
    size_t fileSize = 0;
    uint32_t riffSize = 0;
    uint32_t formatSize = 0;
    uint32_t formatTag = 0;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t byteRate = 0;
    uint32_t blockAlign = 0;
    uint32_t bits = 0;
    uint32_t dataSize = 0;
    std::vector<std::vector<int>> samples; // one vector per channel

    size_t frames() const { return samples.empty() ? 0 : samples[0].size(); }
    double seconds() const { return rate == 0 ? 0.0 : static_cast<double>(frames()) / rate; }
    // The channels mixed to one, for the measures of loudness and pitch.
    std::vector<double> mono() const {
        std::vector<double> mixed(frames(), 0.0);
        for (const std::vector<int>& channel : samples) {
            for (size_t i = 0; i < mixed.size(); ++i) {
                mixed[i] += static_cast<double>(channel[i]) / samples.size();
            }
        }
        return mixed;
    }
};

Wave readWave(const std::string& path) {
    Wave wave;
    const std::vector<uint8_t> bytes = readBytes(path);
    wave.fileSize = bytes.size();
    auto tagAt = [&](size_t at) { return std::string(bytes.begin() + at, bytes.begin() + at + 4); };
    if (bytes.size() < 12 || tagAt(0) != "RIFF" || tagAt(8) != "WAVE") {
        wave.problem = "not a RIFF/WAVE file";
        return wave;
    }
    wave.riffSize = read32(bytes, 4);
    const size_t end = std::min<size_t>(bytes.size(), 8 + static_cast<size_t>(wave.riffSize));
    bool haveFormat = false;
    size_t dataAt = 0;
    for (size_t at = 12; at + 8 <= end;) {
        const std::string id = tagAt(at);
        const uint32_t size = read32(bytes, at + 4);
        if (at + 8 + size > bytes.size()) {
            wave.problem = "chunk '" + id + "' runs past the end of the file";
            return wave;
        }
        if (id == "fmt " && size >= 16) {
            haveFormat = true;
            wave.formatSize = size;
            wave.formatTag = read16(bytes, at + 8);
            wave.channels = read16(bytes, at + 10);
            wave.rate = read32(bytes, at + 12);
            wave.byteRate = read32(bytes, at + 16);
            wave.blockAlign = read16(bytes, at + 20);
            wave.bits = read16(bytes, at + 22);
        } else if (id == "data") {
            dataAt = at + 8;
            wave.dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveFormat || dataAt == 0) {
        wave.problem = "no \"fmt \" or no \"data\" chunk";
        return wave;
    }
    if (wave.bits != 16 || wave.channels < 1 || wave.channels > 2) {
        wave.problem = "not 16-bit mono or stereo";
        return wave;
    }
    wave.samples.assign(wave.channels, {});
    const size_t frames = wave.dataSize / (2 * wave.channels);
    for (size_t f = 0; f < frames; ++f) {
        for (uint32_t c = 0; c < wave.channels; ++c) {
            const size_t at = dataAt + 2 * (f * wave.channels + c);
            wave.samples[c].push_back(static_cast<int16_t>(read16(bytes, at)));
        }
    }
    return wave;
}

double dbfs(double level) {
    return 20.0 * std::log10(std::max(level, 1e-9) / 32768.0);
}

// RMS of samples [from, to), as fractions of the sound's length.
double rmsBetween(const std::vector<double>& x, double from, double to) {
    const size_t a = static_cast<size_t>(from * x.size());
    const size_t b = std::max(a + 1, static_cast<size_t>(to * x.size()));
    double sum = 0.0;
    for (size_t i = a; i < b; ++i) {
        sum += x[i] * x[i];
    }
    return std::sqrt(sum / (b - a));
}

// RMS of the loudest window of the given length.
double loudestRms(const std::vector<double>& x, double seconds, uint32_t rate) {
    const size_t span = std::min(x.size(), static_cast<size_t>(seconds * rate));
    double sum = 0.0;
    double loudest = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        sum += x[i] * x[i];
        if (i >= span) {
            sum -= x[i - span] * x[i - span];
        }
        loudest = std::max(loudest, sum);
    }
    return std::sqrt(loudest / span);
}

// Zero crossings per second between two fractions of the length: a rough
// measure of pitch and brightness.
double crossingRate(const std::vector<double>& x, double from, double to, uint32_t rate) {
    const size_t a = static_cast<size_t>(from * x.size());
    const size_t b = static_cast<size_t>(to * x.size());
    int crossings = 0;
    for (size_t i = a + 1; i < b; ++i) {
        crossings += (x[i - 1] < 0.0) != (x[i] < 0.0);
    }
    return crossings * static_cast<double>(rate) / (b - a);
}

int peakOf(const Wave& wave) {
    int peak = 0;
    for (const std::vector<int>& channel : wave.samples) {
        for (int s : channel) {
            peak = std::max(peak, std::abs(s));
        }
    }
    return peak;
}

TEST(SoundFiles, AreCanonicalPcm16Waves) {
    for (const Expected& sound : everySound()) {
        SCOPED_TRACE(sound.name);
        const Wave wave = readWave(kSoundDir + sound.name);
        ASSERT_EQ(wave.problem, "");
        EXPECT_EQ(wave.riffSize, wave.fileSize - 8);
        EXPECT_EQ(wave.formatSize, 16u);
        EXPECT_EQ(wave.formatTag, 1u) << "PCM";
        EXPECT_TRUE(wave.rate == 22050 || wave.rate == 44100) << wave.rate;
        EXPECT_EQ(wave.blockAlign, 2 * wave.channels);
        EXPECT_EQ(wave.byteRate, wave.rate * wave.blockAlign);
        EXPECT_EQ(wave.dataSize % wave.blockAlign, 0u);
        EXPECT_EQ(wave.fileSize, 44 + static_cast<size_t>(wave.dataSize));
    }
}

TEST(SoundFiles, LastAsLongAsTheirPartInTheGame) {
    for (const Expected& sound : everySound()) {
        SCOPED_TRACE(sound.name);
        const Wave wave = readWave(kSoundDir + sound.name);
        ASSERT_EQ(wave.problem, "");
        EXPECT_GE(wave.seconds(), sound.shortest);
        EXPECT_LE(wave.seconds(), sound.longest);
    }
    // A shot leaves at most every 200 ms and a laser still playing is not
    // restarted, so a longer laser would swallow every second shot.
    EXPECT_LT(readWave(kSoundDir + "Laser.wav").seconds(), 0.2);
}

TEST(SoundFiles, PeaksStayUnderFullScaleAndEverySoundIsHeard) {
    for (const Expected& sound : everySound()) {
        SCOPED_TRACE(sound.name);
        const Wave wave = readWave(kSoundDir + sound.name);
        ASSERT_EQ(wave.problem, "");
        EXPECT_LE(peakOf(wave), 29204) << "peak above -1 dBFS";
        EXPECT_GT(dbfs(loudestRms(wave.mono(), 0.1, wave.rate)), -30.0) << "too quiet";
    }
}

TEST(SoundFiles, LevelsAreBalanced) {
    double quietest = 0.0;
    double loudest = -200.0;
    for (const Expected& sound : kEffects) {
        const Wave wave = readWave(kSoundDir + sound.name);
        ASSERT_EQ(wave.problem, "") << sound.name;
        const double level = dbfs(loudestRms(wave.mono(), 0.1, wave.rate));
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    EXPECT_LE(loudest - quietest, 10.0) << "one effect drowns the others";

    // The title music goes on under the whole game: it must stay well below
    // the quietest effect.
    const Wave music = readWave(kSoundDir + kMusic.name);
    ASSERT_EQ(music.problem, "");
    EXPECT_LE(dbfs(rmsBetween(music.mono(), 0.0, 1.0)), quietest - 3.0);
}

TEST(SoundFiles, OneShotsStartAndEndWithoutAClick) {
    for (const Expected& sound : kEffects) {
        SCOPED_TRACE(sound.name);
        const Wave wave = readWave(kSoundDir + sound.name);
        ASSERT_EQ(wave.problem, "");
        for (const std::vector<int>& channel : wave.samples) {
            EXPECT_LE(std::abs(channel.front()), 330);
            EXPECT_LE(std::abs(channel.back()), 330);
        }
    }
}

TEST(SoundFiles, EachSoundMovesTheWayItShould) {
    auto load = [](const char* name) {
        const Wave wave = readWave(kSoundDir + name);
        EXPECT_EQ(wave.problem, "") << name;
        return wave;
    };
    // The laser dives: its start is far higher than its end.
    const Wave laser = load("Laser.wav");
    const std::vector<double> zap = laser.mono();
    EXPECT_GT(crossingRate(zap, 0.0, 0.2, laser.rate),
              2.0 * crossingRate(zap, 0.7, 0.95, laser.rate));

    // The metamorphosis climbs.
    const Wave change = load("metamorphose2.wav");
    const std::vector<double> rise = change.mono();
    EXPECT_GT(crossingRate(rise, 0.65, 0.85, change.rate),
              2.0 * crossingRate(rise, 0.1, 0.25, change.rate));

    // The big explosion darkens into a long tail that is still well heard
    // at two thirds of its length; the spore burst is gone by then.
    const Wave blast = load("explosion2.wav");
    const std::vector<double> boom = blast.mono();
    EXPECT_GT(crossingRate(boom, 0.0, 0.1, blast.rate),
              2.0 * crossingRate(boom, 0.5, 0.75, blast.rate));
    EXPECT_GT(dbfs(rmsBetween(boom, 0.5, 0.75)), dbfs(rmsBetween(boom, 0.0, 0.15)) - 15.0);
    const Wave spore = load("explosion_spore.wav");
    const std::vector<double> pop = spore.mono();
    EXPECT_LT(dbfs(rmsBetween(pop, 0.6, 0.85)), dbfs(rmsBetween(pop, 0.0, 0.25)) - 15.0);

    // The game-over jingle falls.
    const Wave over = load("GameOver_bis.wav");
    const std::vector<double> fall = over.mono();
    EXPECT_GT(crossingRate(fall, 0.0, 0.2, over.rate),
              2.0 * crossingRate(fall, 0.6, 0.9, over.rate));
}

TEST(TitleMusic, LoopsWithoutASeam) {
    const Wave music = readWave(kSoundDir + kMusic.name);
    ASSERT_EQ(music.problem, "");
    ASSERT_GT(music.frames(), 1000u);
    for (size_t c = 0; c < music.samples.size(); ++c) {
        SCOPED_TRACE("channel " + std::to_string(c));
        const std::vector<int>& x = music.samples[c];
        std::vector<int> steps;
        for (size_t i = 1; i < x.size(); ++i) {
            steps.push_back(std::abs(x[i] - x[i - 1]));
        }
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        const int usualStep = steps[steps.size() * 99 / 100];
        const int seam = std::abs(x.front() - x.back());
        EXPECT_LT(seam, 1000) << "the last sample does not meet the first";
        EXPECT_LE(seam, usualStep) << "the loop clicks where it wraps";
    }
    // A fade at either end would leave a hole in the music at every turn.
    const std::vector<double> mixed = music.mono();
    const double whole = dbfs(rmsBetween(mixed, 0.0, 1.0));
    const double edge = 0.5 / music.seconds();
    EXPECT_GT(dbfs(rmsBetween(mixed, 0.0, edge)), whole - 10.0);
    EXPECT_GT(dbfs(rmsBetween(mixed, 1.0 - edge, 1.0)), whole - 10.0);
}

TEST(SoundGenerator, WritesTheSameBytesOnEveryRun) {
    if (testing_support::kUnderSanitizer) {
        GTEST_SKIP() << "the build already runs the generator under the sanitizers";
    }
    // The build's sounds are one run of the generator; here is another.
    const std::filesystem::path& again = testing_support::generatorRunAgain();
    ASSERT_FALSE(again.empty()) << "the generator failed";
    for (const Expected& sound : everySound()) {
        SCOPED_TRACE(sound.name);
        const std::vector<uint8_t> built =
            readBytes((testing_support::dataDir() / "sons" / sound.name).string());
        EXPECT_FALSE(built.empty());
        EXPECT_TRUE(built == readBytes((again / "sons" / sound.name).string()));
    }
}

} // namespace
