// WAVE files, the effect buffers and how effects are started.
#include "standing_files.h"
#include "support.h"

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/report.h"
#include "shell/devices.h"
#include "sound/effects.h"
#include "sound/wave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

using namespace testing_support;

// Chunks of a RIFF file, written as the test says: ids, sizes and bodies.
struct Chunk {
    std::string id;
    std::vector<uint8_t> body;
    int64_t sizeField = -1; // -1: the body's size
};

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(uint8_t(v >> (8 * i)));
    }
}

std::vector<uint8_t> pcmFormat(uint16_t channels = 1, uint32_t rate = 22050) {
    std::vector<uint8_t> f;
    const uint16_t align = uint16_t(channels * 2);
    f.push_back(1);
    f.push_back(0);
    f.push_back(uint8_t(channels));
    f.push_back(0);
    put32(f, rate);
    put32(f, rate * align);
    f.push_back(uint8_t(align));
    f.push_back(0);
    f.push_back(16);
    f.push_back(0);
    return f;
}

std::vector<uint8_t> riff(const std::vector<Chunk>& chunks, int64_t riffSize = -1,
                          const char* riffId = "RIFF", const char* form = "WAVE") {
    std::vector<uint8_t> body;
    for (const Chunk& chunk : chunks) {
        body.insert(body.end(), chunk.id.begin(), chunk.id.end());
        put32(body, uint32_t(chunk.sizeField >= 0 ? chunk.sizeField : chunk.body.size()));
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
    }
    std::vector<uint8_t> out(riffId, riffId + 4);
    put32(out, uint32_t(riffSize >= 0 ? riffSize : int64_t(body.size() + 4)));
    out.insert(out.end(), form, form + 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Parses a copy of the bytes, as loadWaveFile would after reading them.
class Parsed {
  public:
    explicit Parsed(const std::vector<uint8_t>& bytes) {
        wave_.fileData = static_cast<uint8_t*>(std::malloc(bytes.size() + 1));
        std::memcpy(wave_.fileData, bytes.data(), bytes.size());
        wave_.fileSize = uint32_t(bytes.size());
        ok_ = parseWave(wave_);
    }
    ~Parsed() { std::free(wave_.fileData); }
    bool ok() const { return ok_; }
    const WaveFile& wave() const { return wave_; }
    size_t offsetOf(const uint8_t* p) const { return size_t(p - wave_.fileData); }

  private:
    WaveFile wave_{};
    bool ok_ = false;
};

const std::vector<uint8_t> kSamples = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(WaveTest, TheChunkWalkFindsFormatAndDataWhereverTheyStand) {
    {
        Parsed p(riff({{"fmt ", pcmFormat()}, {"data", kSamples}}));
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(p.wave().dataSize, 8u);
        EXPECT_EQ(p.offsetOf(p.wave().format), 20u);
        EXPECT_EQ(p.wave().data[0], 1);
    }
    {
        Parsed p(riff({{"data", kSamples}, {"fmt ", pcmFormat()}}));
        EXPECT_TRUE(p.ok()) << "fmt after data";
    }
    {
        Parsed p(riff({{"fmt ", pcmFormat()}, {"data", kSamples}}, -1, "riff", "wave"));
        EXPECT_TRUE(p.ok()) << "lower-case RIFF and WAVE";
        Parsed q(riff({{"FMT ", pcmFormat()}, {"Data", kSamples}}));
        EXPECT_TRUE(q.ok()) << "chunk ids in any case";
    }
    {
        // A chunk of odd size is stepped over by its size field exactly, with
        // no pad byte: the next chunk starts right after its last byte.
        Parsed p(riff({{"fmt ", pcmFormat()}, {"LIST", {9, 9, 9}}, {"data", kSamples}}));
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(p.offsetOf(p.wave().data), 12u + 24 + 11 + 8);
    }
    {
        Parsed p(riff(
            {{"fmt ", pcmFormat()}, {"junk", std::vector<uint8_t>(10, 0)}, {"data", kSamples}}));
        EXPECT_TRUE(p.ok()) << "another chunk between fmt and data";
    }
}

TEST(WaveTest, FilesThatWouldBeReadPastTheirEndAreRefused) {
    const auto good = riff({{"fmt ", pcmFormat()}, {"data", kSamples}});
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}, {"data", kSamples}}, 4)).ok()) << "riffSize 4";
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}})).ok()) << "no data chunk";
    EXPECT_FALSE(Parsed(riff({{"data", kSamples}})).ok()) << "no fmt chunk";
    EXPECT_FALSE(Parsed(std::vector<uint8_t>(good.begin(), good.begin() + 10)).ok())
        << "shorter than the header";
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}, {"data", kSamples}}, 1000)).ok())
        << "riffSize beyond the file";
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}, {"data", kSamples, 4000}})).ok())
        << "data body past the end";
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}, {"data", kSamples, 0xFFFFFFFF}})).ok())
        << "size field that wraps";
    auto cut = good;
    cut.resize(good.size() - 12);
    EXPECT_FALSE(Parsed(riff({{"fmt ", pcmFormat()}, {"data", {}, 8}}, 24 + 4 + 4)).ok())
        << "chunk header past the end";
    EXPECT_FALSE(Parsed(cut).ok()) << "file cut short of its riffSize";
    auto wrongForm = good;
    std::memcpy(wrongForm.data() + 8, "AVI ", 4);
    EXPECT_FALSE(Parsed(wrongForm).ok());
}

class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProgram();
        ASSERT_TRUE(plat::audioOpen());
        soundDeviceOpened = true;
    }
    void TearDown() override { freshProgram(); }
    WorkingDirectory data_{dataDir()};
};

TEST_F(SoundTest, LoadSoundsFillsSevenSlotsAndASecondLoadReplacesThem) {
    ASSERT_TRUE(loadSounds());
    for (int slot = 0; slot < kSoundBufferSlots; ++slot) {
        EXPECT_EQ(soundBuffers[slot] != nullptr, slot <= 6) << slot;
    }
    // The voices share the spore explosion's samples.
    EXPECT_EQ(soundBuffers[2]->samples, soundBuffers[1]->samples);
    EXPECT_EQ(soundBuffers[1]->samples->bytes.size(), waveFiles[1].dataSize);
    EXPECT_EQ(std::memcmp(soundBuffers[5]->samples->bytes.data(), waveFiles[3].data,
                          waveFiles[3].dataSize),
              0);
    ASSERT_TRUE(loadSounds());
    EXPECT_EQ(plat::liveSoundBufferCount(), 7);
}

TEST_F(SoundTest, RefusedDuplicatesFallBackToOwnBuffers) {
    plat::failOn(plat::Fault::SoundBufferDuplicate, 1);
    ASSERT_TRUE(loadSounds());
    EXPECT_NE(soundBuffers[2]->samples, soundBuffers[1]->samples);
    EXPECT_EQ(soundBuffers[2]->samples->bytes, soundBuffers[1]->samples->bytes);
    EXPECT_EQ(soundBuffers[3]->samples, soundBuffers[1]->samples);
    // The own buffer plays like any voice.
    startEffect(2);
    headless::advance(1);
    EXPECT_GT(plat::soundBufferPosition(soundBuffers[2]), 0u);
}

TEST_F(SoundTest, AMissingFileOrARefusedBufferFailsTheLoad) {
    plat::failOn(plat::Fault::SoundBufferCreate, 3);
    EXPECT_FALSE(loadSounds());
    EXPECT_NE(soundBuffers[0], nullptr) << "slots made before the failure keep their buffers";
    EXPECT_EQ(soundBuffers[4], nullptr);

    TempDir copy;
    copyData(copy.path());
    std::filesystem::remove(copy.path() / "sons" / "metamorphose2.wav");
    WorkingDirectory broken(copy.path());
    EXPECT_FALSE(loadSounds());
}

TEST_F(SoundTest, SporeExplosionsTakeTheLowestIdleVoice) {
    ASSERT_TRUE(loadSounds());
    EXPECT_EQ(findIdleSoundBuffer(3, 1), -1);
    EXPECT_EQ(findIdleSoundBuffer(1, 3), 1);
    startEffect(1);
    headless::advance(1);
    EXPECT_EQ(findIdleSoundBuffer(1, 3), 2);

    // Four in quick succession: three voices sound, the fourth is silent.
    freshProgram();
    ASSERT_TRUE(plat::audioOpen());
    ASSERT_TRUE(loadSounds());
    for (int i = 0; i < 4; ++i) {
        playSporeExplosion();
        headless::advance(1);
    }
    ASSERT_EQ(headless::effectRequests().size(), 3u);
    EXPECT_EQ(headless::effectRequests()[0].buffer, soundBuffers[1]);
    EXPECT_EQ(headless::effectRequests()[2].buffer, soundBuffers[3]);
    EXPECT_EQ(findIdleSoundBuffer(1, 3), -1);
}

TEST_F(SoundTest, AnEffectStillPlayingIsNotStartedOver) {
    ASSERT_TRUE(loadSounds());
    const WaveFile& laser = waveFiles[0];
    const plat::WaveFormat& format = soundBuffers[0]->samples->format;
    const uint32_t lengthMs = uint32_t(uint64_t(laser.dataSize) * 1000 / format.avgBytesPerSec);
    ASSERT_GT(lengthMs, 100u);
    startEffect(SoundLaser);
    headless::advance(lengthMs / 2);
    startEffect(SoundLaser);
    headless::advance(lengthMs / 2 + 2);
    EXPECT_EQ(plat::soundBufferPosition(soundBuffers[0]), 0u) << "finished on its first run";
    startEffect(SoundLaser);
    const auto& requests = headless::effectRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].started);
    EXPECT_FALSE(requests[1].started);
    EXPECT_TRUE(requests[2].started);
}

} // namespace

namespace {

// A "fmt " body with every field as given.
std::vector<uint8_t> rawFormat(uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits) {
    std::vector<uint8_t> f{1, 0, uint8_t(channels), uint8_t(channels >> 8)};
    put32(f, rate);
    put32(f, rate * align);
    f.insert(f.end(), {uint8_t(align), uint8_t(align >> 8), uint8_t(bits), uint8_t(bits >> 8)});
    return f;
}

// What may stand where an effect or a front-end sound is read from, and the
// words of the one line that must say why it is refused.
struct BadSound {
    const char* name;
    std::function<bool(const std::filesystem::path&)> make;
    const char* why;
};

std::function<bool(const std::filesystem::path&)> standing(Standing kind,
                                                           std::vector<uint8_t> head = {}) {
    // None where this system cannot make it: the table goes without it.
    if (!standingPossible(kind)) {
        return nullptr;
    }
    return [kind, head](const std::filesystem::path& at) { return makeStanding(at, kind, head); };
}

std::function<bool(const std::filesystem::path&)> bytes(std::vector<uint8_t> content) {
    return [content](const std::filesystem::path& at) {
        writeFile(at, content);
        return true;
    };
}

const std::vector<BadSound>& badSounds() {
    static const std::vector<BadSound> table = {
        {"missing", standing(Standing::Missing), "No such file or directory"},
        {"directory", standing(Standing::Directory), "a directory, not a file"},
        {"named pipe", standing(Standing::NamedPipe), "a named pipe, not a regular file"},
        {"link to /dev/zero", standing(Standing::DeviceLink), "a device, not a regular file"},
        {"dangling link", standing(Standing::DanglingLink),
         "a symbolic link to a file that does not exist"},
        {"link loop", standing(Standing::LinkLoop), "a loop of symbolic links"},
        {"2 GiB of zeros", standing(Standing::Sparse2GiB),
         "the file holds 2.0 GiB, more than the "},
        {"2 GiB behind a header announcing them",
         standing(Standing::Sparse2GiB,
                  riff({{"fmt ", pcmFormat()}, {"data", {}, 0x7FFFFF00}}, 0x7FFFFF00 + 36)),
         "the file holds 2.0 GiB, more than the "},
        {"RIFF size beyond the file",
         bytes(riff({{"fmt ", pcmFormat()}, {"data", kSamples}}, 0x7FFFFFF0)),
         "its RIFF header gives more bytes than the file holds"},
        {"data size beyond the file",
         bytes(riff({{"fmt ", pcmFormat()}, {"data", kSamples, 1u << 31}}, 36 + 8)),
         "a chunk runs past the end of its RIFF data"},
        {"0 channels (52 bytes)",
         bytes(riff({{"fmt ", rawFormat(0, 22050, 0, 16)}, {"data", kSamples}})), "0 channels"},
        {"block align below the channels",
         bytes(riff({{"fmt ", rawFormat(2, 22050, 1, 16)}, {"data", kSamples}})),
         "a block of 1 bytes for 2 channels of 16 bits"},
        {"1 Hz", bytes(riff({{"fmt ", rawFormat(1, 1, 2, 16)}, {"data", kSamples}})),
         "1 samples a second"},
        {"61 s of 4000 Hz",
         bytes(riff({{"fmt ", rawFormat(1, 4000, 1, 8)},
                     {"data", std::vector<uint8_t>(4000 * 61, 0x80)}})),
         "61 s of sound, more than the "},
    };
    return table;
}

TEST_F(SoundTest, EveryBadSoundFileIsRefusedWithItsCauseAndTheFrontEndGoesOn) {
    ASSERT_EQ(riff({{"fmt ", rawFormat(0, 22050, 0, 16)}, {"data", kSamples}}).size(), 52u);
    TempDir copy;
    copyData(copy.path());
    WorkingDirectory enter(copy.path());
    for (const BadSound& bad : badSounds()) {
        SCOPED_TRACE(bad.name);
        if (!bad.make) {
            continue;
        }
        ASSERT_TRUE(bad.make(copy.path() / "sons" / "Laser.wav"));
        ASSERT_TRUE(bad.make(copy.path() / "sons" / "alien.wav"));

        // An effect: the game start fails, naming the file and the cause.
        plat::detail::resetReports();
        EXPECT_FALSE(loadSounds());
        EXPECT_NE(
            asNamedIn(copy.path(), plat::notedFailure())
                .find(asNamedIn(copy.path(),
                                (std::filesystem::path("sons") / "Laser.wav").string() + ": ")),
            std::string::npos)
            << plat::notedFailure();
        EXPECT_NE(plat::notedFailure().find(bad.why), std::string::npos) << plat::notedFailure();

        // The title music: nothing plays, one line for the run, and on.
        plat::detail::forgetSoundFiles();
        headless::errorLines().clear();
        headless::playerRequests().clear();
        EXPECT_FALSE(plat::playSoundFile("sons/alien.wav", true));
        EXPECT_FALSE(plat::playSoundFile("sons/alien.wav", true));
        ASSERT_EQ(headless::errorLines().size(), 1u);
        const std::string& line = headless::errorLines()[0];
        EXPECT_NE(line.find("cannot play " + (copy.path() / "sons" / "alien.wav").string() + ": " +
                            bad.why),
                  std::string::npos)
            << line;
        ASSERT_EQ(headless::playerRequests().size(), 2u);
        EXPECT_FALSE(headless::playerRequests()[1].played);
    }
}

TEST_F(SoundTest, FrontEndSoundsAreReadOnceAndPlayFromMemory) {
    TempDir copy;
    copyData(copy.path());
    WorkingDirectory enter(copy.path());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(plat::playSoundFile("sons/GameOver_bis.wav", false));
    }
    // The file may go once read: the jingle asked for on every frame of a
    // game over does not read it again.
    std::filesystem::remove(copy.path() / "sons" / "GameOver_bis.wav");
    EXPECT_TRUE(plat::playSoundFile("sons/GameOver_bis.wav", false));
    EXPECT_TRUE(headless::errorLines().empty());
    // Music may last longer than an effect.
    const auto longer =
        riff({{"fmt ", rawFormat(1, 4000, 1, 8)}, {"data", std::vector<uint8_t>(4000 * 30, 0x80)}});
    writeFile(copy.path() / "sons" / "alien.wav", longer);
    EXPECT_TRUE(plat::playSoundFile("sons/alien.wav", true));
    writeFile(copy.path() / "sons" / "Laser.wav", longer);
    EXPECT_FALSE(loadSounds());
    EXPECT_NE(plat::notedFailure().find("30 s of sound, more than the 10 s"), std::string::npos)
        << plat::notedFailure();
    for (const headless::PlayerRequest& request : headless::playerRequests()) {
        EXPECT_TRUE(request.played);
    }
}

} // namespace
