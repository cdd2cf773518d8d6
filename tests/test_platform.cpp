// The platform layer's promises that the game's pictures and sounds rest on.
#include "support.h"

#include "platform/audio.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using namespace testing_support;

struct SurfaceDeleter {
    void operator()(plat::Surface* s) const { plat::surfaceRelease(s); }
};
using SurfacePtr = std::unique_ptr<plat::Surface, SurfaceDeleter>;

SurfacePtr filledSurface(int w, int h, uint8_t value) {
    SurfacePtr s(plat::surfaceCreate(w, h));
    plat::surfaceFill(s.get(), value);
    return s;
}

uint8_t pixelAt(plat::Surface* s, int x, int y) {
    plat::SurfaceLock lock{};
    EXPECT_TRUE(plat::surfaceLock(s, &lock));
    const uint8_t value = lock.pixels[y * lock.pitch + x];
    plat::surfaceUnlock(s);
    return value;
}

void setPixel(plat::Surface* s, int x, int y, uint8_t value) {
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(s, &lock));
    lock.pixels[y * lock.pitch + x] = value;
    plat::surfaceUnlock(s);
}

// The bounding box of the pixels that differ from `background`.
plat::ExclusiveRect changedArea(plat::Surface* s, uint8_t background) {
    plat::SurfaceLock lock{};
    EXPECT_TRUE(plat::surfaceLock(s, &lock));
    plat::ExclusiveRect box{lock.width, lock.height, -1, -1};
    for (int y = 0; y < lock.height; ++y) {
        for (int x = 0; x < lock.width; ++x) {
            if (lock.pixels[y * lock.pitch + x] != background) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
            }
        }
    }
    plat::surfaceUnlock(s);
    return box;
}

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { freshProgram(); }
    void TearDown() override { freshProgram(); }
};

TEST_F(PlatformTest, BlitRectanglesExcludeTheirRightColumnAndBottomRow) {
    SurfacePtr target = filledSurface(640, 480, 7);
    SurfacePtr picture = filledSurface(48, 48, 9);
    // A 48x48 picture drawn at (100, 200) the way the game asks for it.
    const plat::ExclusiveRect to{100, 200, 147, 247};
    const plat::ExclusiveRect from{0, 0, 47, 47};
    ASSERT_TRUE(plat::surfaceBlit(target.get(), &to, picture.get(), &from, false));
    const plat::ExclusiveRect changed = changedArea(target.get(), 7);
    EXPECT_EQ(changed.left, 100);
    EXPECT_EQ(changed.top, 200);
    EXPECT_EQ(changed.right, 146);
    EXPECT_EQ(changed.bottom, 246);
}

TEST_F(PlatformTest, ColourKeyLeavesTheTargetUnderIndexZero) {
    SurfacePtr target = filledSurface(8, 8, 5);
    SurfacePtr picture = filledSurface(4, 4, 0);
    setPixel(picture.get(), 1, 1, 200);
    ASSERT_TRUE(plat::surfaceSetColourKey(picture.get(), 0, 0));
    const plat::ExclusiveRect to{2, 2, 6, 6};
    ASSERT_TRUE(plat::surfaceBlit(target.get(), &to, picture.get(), nullptr, true));
    EXPECT_EQ(pixelAt(target.get(), 3, 3), 200);
    EXPECT_EQ(pixelAt(target.get(), 2, 2), 5);
    // Without the key the same picture overwrites with black.
    ASSERT_TRUE(plat::surfaceBlit(target.get(), &to, picture.get(), nullptr, false));
    EXPECT_EQ(pixelAt(target.get(), 2, 2), 0);
    EXPECT_EQ(pixelAt(target.get(), 3, 3), 200);
}

TEST_F(PlatformTest, ClipperCutsBlitsAndRefusalsWithoutIt) {
    SurfacePtr target = filledSurface(640, 480, 1);
    SurfacePtr picture = filledSurface(48, 48, 2);
    setPixel(picture.get(), 0, 0, 3);
    const plat::ExclusiveRect from{0, 0, 47, 47};

    // Without a clipper a rectangle leaving the surface is refused.
    const plat::ExclusiveRect outside{620, 460, 667, 507};
    EXPECT_FALSE(plat::surfaceBlit(target.get(), &outside, picture.get(), &from, false));
    EXPECT_EQ(changedArea(target.get(), 1).right, -1);

    plat::Clipper* clip = plat::clipperCreate();
    const plat::ExclusiveRect screen{0, 0, 639, 479};
    ASSERT_TRUE(plat::clipperSetList(clip, 1, &screen));
    ASSERT_TRUE(plat::surfaceSetClipper(target.get(), clip));
    EXPECT_TRUE(plat::surfaceBlit(target.get(), &outside, picture.get(), &from, false));
    // The part inside is drawn, but never column 639 nor row 479.
    EXPECT_EQ(changedArea(target.get(), 1).left, 620);
    EXPECT_EQ(changedArea(target.get(), 1).right, 638);
    EXPECT_EQ(changedArea(target.get(), 1).bottom, 478);

    // Off the top-left corner, the picture's pixels stay in place.
    plat::surfaceFill(target.get(), 1);
    const plat::ExclusiveRect corner{-10, -20, 37, 27};
    EXPECT_TRUE(plat::surfaceBlit(target.get(), &corner, picture.get(), &from, false));
    EXPECT_EQ(changedArea(target.get(), 1).left, 0);
    EXPECT_EQ(changedArea(target.get(), 1).top, 0);
    EXPECT_EQ(changedArea(target.get(), 1).right, 36);
    EXPECT_EQ(changedArea(target.get(), 1).bottom, 26);
    EXPECT_EQ(pixelAt(target.get(), 0, 0), 2);
    plat::surfaceSetClipper(target.get(), nullptr);
    plat::clipperRelease(clip);
}

TEST_F(PlatformTest, BlitStretchesWhenTheRectanglesDiffer) {
    SurfacePtr target = filledSurface(8, 8, 0);
    SurfacePtr picture = filledSurface(2, 2, 1);
    setPixel(picture.get(), 1, 1, 4);
    const plat::ExclusiveRect to{2, 2, 6, 6};
    ASSERT_TRUE(plat::surfaceBlit(target.get(), &to, picture.get(), nullptr, false));
    EXPECT_EQ(pixelAt(target.get(), 3, 3), 1);
    EXPECT_EQ(pixelAt(target.get(), 4, 4), 4);
    EXPECT_EQ(pixelAt(target.get(), 5, 5), 4);
    EXPECT_EQ(pixelAt(target.get(), 6, 6), 0);
}

TEST_F(PlatformTest, BlitRefusesBadRectanglesAndLockedSurfaces) {
    SurfacePtr target = filledSurface(16, 16, 0);
    SurfacePtr picture = filledSurface(8, 8, 1);
    const plat::ExclusiveRect inverted{8, 8, 2, 2};
    EXPECT_FALSE(plat::surfaceBlit(target.get(), &inverted, picture.get(), nullptr, false));
    const plat::ExclusiveRect beyondSource{0, 0, 9, 8};
    EXPECT_FALSE(plat::surfaceBlit(target.get(), nullptr, picture.get(), &beyondSource, false));
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(picture.get(), &lock));
    const plat::ExclusiveRect to{0, 0, 8, 8};
    EXPECT_FALSE(plat::surfaceBlit(target.get(), &to, picture.get(), nullptr, false));
    plat::surfaceUnlock(picture.get());
    EXPECT_TRUE(plat::surfaceBlit(target.get(), &to, picture.get(), nullptr, false));
    EXPECT_EQ(plat::surfaceCreate(0, 10), nullptr);
    EXPECT_EQ(plat::surfaceCreate(10, -1), nullptr);
}

TEST_F(PlatformTest, TextUsesTheNearestPaletteEntryAndStaysInsideItsSurface) {
    // The glyph file is a data file, found from the data directory.
    WorkingDirectory here(dataDir());
    ASSERT_TRUE(plat::displayOpen());
    plat::PaletteColour colours[256] = {};
    for (int i = 1; i < 255; ++i) {
        colours[i] = {uint8_t(i), uint8_t(i / 2), 40, 0};
    }
    colours[255] = {255, 255, 255, 0};
    plat::Palette* pal = plat::paletteCreate(colours);
    ASSERT_TRUE(plat::surfaceSetPalette(plat::displayPrimary(), pal));

    SurfacePtr target = filledSurface(200, 40, 0);
    ASSERT_TRUE(plat::textDraw(target.get(),
                               "\xC9"
                               "che \xE0 d\xE9marrer le jeu",
                               2, 2, 0xFFFFFF));
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(target.get(), &lock));
    int ink = 0;
    int top = 40;
    int bottom = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            const uint8_t v = lock.pixels[y * lock.pitch + x];
            ASSERT_TRUE(v == 0 || v == 255) << "anti-aliased pixel " << int(v);
            if (v == 255) {
                ++ink;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    plat::surfaceUnlock(target.get());
    EXPECT_GT(ink, 100);
    // About 16 pixels from the capital accent's top to the descender.
    EXPECT_GE(bottom - top + 1, 14);
    EXPECT_LE(bottom - top + 1, 19);

    // Accented letters draw more than their bare forms.
    auto inkOf = [](const char* text) {
        SurfacePtr s = filledSurface(60, 30, 0);
        plat::textDraw(s.get(), text, 0, 0, 0xFFFFFF);
        plat::SurfaceLock l{};
        plat::surfaceLock(s.get(), &l);
        int n = 0;
        for (int i = 0; i < 60 * 30; ++i) {
            n += l.pixels[i] != 0;
        }
        plat::surfaceUnlock(s.get());
        return n;
    };
    EXPECT_GT(inkOf("\xE9"), inkOf("e"));
    EXPECT_GT(inkOf("\xE0"), inkOf("a"));

    // Text runs off the surface's edges without writing past them.
    SurfacePtr small = filledSurface(10, 10, 0);
    EXPECT_TRUE(plat::textDraw(small.get(), "Vaisseaux 123456", -5, 3, 0xFFFFFF));
    EXPECT_TRUE(plat::textDraw(small.get(), "", 0, 0, 0xFFFFFF));
    plat::paletteRelease(pal);
    plat::displayClose();
}

TEST_F(PlatformTest, PathsAreFoundWhateverTheirLetterCase) {
    TempDir dir;
    writeFile(dir.path() / "sons" / "Laser.wav", {1, 2, 3});
    WorkingDirectory enter(dir.path());
    // A system whose names ignore letter case already finds the file by
    // the name as it is given.
    for (const char* asked : {"Sons/Laser.wav", "SONS/laser.WAV", "sons/Laser.wav"}) {
        EXPECT_TRUE(std::filesystem::equivalent(plat::resolvePath(asked), "sons/Laser.wav"))
            << asked;
    }
    uint64_t size = 0;
    std::FILE* file = plat::openDataFile("Sons/LASER.wav", 3, &size, nullptr);
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(size, 3u);
}

TEST_F(PlatformTest, SoundBuffersRefuseFormatsTheyCannotPlay) {
    ASSERT_TRUE(plat::audioOpen());
    auto format = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
        const uint16_t align = uint16_t(channels * bits / 8);
        const uint32_t bytesPerSec = rate * align;
        std::vector<uint8_t> f = {uint8_t(tag),
                                  uint8_t(tag >> 8),
                                  uint8_t(channels),
                                  0,
                                  uint8_t(rate),
                                  uint8_t(rate >> 8),
                                  uint8_t(rate >> 16),
                                  0,
                                  uint8_t(bytesPerSec),
                                  uint8_t(bytesPerSec >> 8),
                                  uint8_t(bytesPerSec >> 16),
                                  0,
                                  uint8_t(align),
                                  0,
                                  uint8_t(bits),
                                  0};
        return f;
    };
    for (const auto& good :
         {format(1, 1, 22050, 16), format(1, 2, 44100, 16), format(1, 1, 11025, 8)}) {
        plat::SoundBuffer* b = plat::soundBufferCreate(good.data(), 16, 64);
        EXPECT_NE(b, nullptr);
        plat::soundBufferRelease(b);
    }
    for (const auto& bad : {format(3, 1, 22050, 32), format(1, 6, 44100, 16),
                            format(1, 1, 22050, 24), format(1, 1, 0, 16)}) {
        EXPECT_EQ(plat::soundBufferCreate(bad.data(), 16, 64), nullptr);
    }
    const auto good = format(1, 1, 22050, 16);
    EXPECT_EQ(plat::soundBufferCreate(good.data(), 14, 64), nullptr) << "short format record";
    EXPECT_EQ(plat::soundBufferCreate(good.data(), 16, 0), nullptr) << "empty buffer";
    plat::audioClose();
}

intptr_t recordingProc(plat::Window* window, uint32_t message, uintptr_t w, intptr_t l) {
    static std::vector<uint32_t>* seen = nullptr;
    if (window == nullptr) {
        seen = reinterpret_cast<std::vector<uint32_t>*>(l);
        return 0;
    }
    if (seen != nullptr) {
        seen->push_back(message);
    }
    if (message == plat::MessageDestroy) {
        plat::postQuitMessage(0);
        return 0;
    }
    return plat::defaultWindowProc(window, message, w, l);
}

TEST_F(PlatformTest, CloseDestroysTheWindowAndQueuesQuit) {
    std::vector<uint32_t> seen;
    recordingProc(nullptr, 0, 0, reinterpret_cast<intptr_t>(&seen));
    ASSERT_TRUE(plat::windowClassRegister("test", recordingProc));
    EXPECT_FALSE(plat::windowClassRegister("test", recordingProc));
    plat::Window* window = plat::windowCreate("test");
    ASSERT_NE(window, nullptr);
    plat::postMessage(window, plat::MessagePaint, 0, 0);
    plat::sendMessage(window, plat::MessageClose, 0, 0);
    // The paint for the dead window is dropped; the quit message is left.
    plat::Message message{};
    ASSERT_TRUE(plat::peekMessage(&message));
    EXPECT_EQ(message.id, plat::MessageQuit);
    EXPECT_FALSE(plat::peekMessage(&message));
    EXPECT_EQ(seen, (std::vector<uint32_t>{plat::MessageCreate, plat::MessageClose,
                                           plat::MessageDestroy}));
    recordingProc(nullptr, 0, 0, 0);
}

} // namespace
