// The sprite sheet loader: what it reads, and every malformed file it must
// refuse rather than read or write out of bounds.
#include "standing_files.h"
#include "support.h"

#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "platform/files.h"
#include "platform/report.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace testing_support;

class BitmapTest : public ::testing::Test {
  protected:
    void SetUp() override { path_ = dir_.path() / "picture.bmp"; }

    bool load(const std::vector<uint8_t>& bytes) {
        writeFile(path_, bytes);
        image_ = BitmapImage{};
        image_.pixels = nullptr;
        return loadBitmapFile(image_, plat::pathText(path_).c_str());
    }

    void TearDown() override { freeBitmapPixels(image_); }

    TempDir dir_;
    std::filesystem::path path_;
    BitmapImage image_{};
};

TEST_F(BitmapTest, EightBitRowsComeTopDownWithPaletteInRedGreenBlueOrder) {
    const int width = 640;
    const int height = 1000;
    std::vector<uint8_t> pixels(size_t(width) * height);
    // The file's first row is the picture's bottom row.
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        std::memset(&pixels[size_t(fileRow) * width], fileRow % 251, width);
    }
    pixels.front() = 17;
    pixels.back() = 99;
    auto bytes = makeBitmap(width, height, 8, pixels, 640000);
    // Palette entry 5 stored as 0x10, 0x20, 0x30, 0x00.
    const size_t entry5 = 54 + 5 * 4;
    bytes[entry5] = 0x10;
    bytes[entry5 + 1] = 0x20;
    bytes[entry5 + 2] = 0x30;
    bytes[entry5 + 3] = 0x00;
    ASSERT_TRUE(load(bytes));
    EXPECT_EQ(image_.palette[5].red, 0x30);
    EXPECT_EQ(image_.palette[5].green, 0x20);
    EXPECT_EQ(image_.palette[5].blue, 0x10);
    // The file's last byte is the top-right pixel; its first the bottom-left.
    EXPECT_EQ(image_.pixels[639], 99);
    EXPECT_EQ(image_.pixels[639999 - 639], 17);
    EXPECT_EQ(image_.pixels[640], (height - 2) % 251);
    EXPECT_TRUE(freeBitmapPixels(image_));
    EXPECT_EQ(image_.pixels, nullptr);
    EXPECT_TRUE(freeBitmapPixels(image_));
}

TEST_F(BitmapTest, TwentyFourBitRowsAreReversedAndThePaletteUntouched) {
    std::vector<uint8_t> pixels(4 * 3 * 2);
    pixels[0] = 1;  // bottom row
    pixels[12] = 2; // top row
    ASSERT_TRUE(load(makeBitmap(4, 2, 24, pixels, 24)));
    EXPECT_EQ(image_.pixels[0], 2);
    EXPECT_EQ(image_.pixels[12], 1);
}

TEST_F(BitmapTest, PixelsAreTheLastBytesOfTheFileWhateverTheOffsetSays) {
    std::vector<uint8_t> pixels(16, 3);
    auto bytes = makeBitmap(4, 4, 8, pixels, 16);
    // A gap between the palette and the pixels.
    bytes.insert(bytes.begin() + 54 + 1024, 10, 0xEE);
    ASSERT_TRUE(load(bytes));
    EXPECT_EQ(image_.pixels[0], 3);
}

TEST_F(BitmapTest, RefusesWhatItCannotRead) {
    const std::vector<uint8_t> pixels(16, 1);
    auto refused = [&](std::vector<uint8_t> bytes, const char* why) {
        EXPECT_FALSE(load(bytes)) << why;
        EXPECT_EQ(image_.pixels, nullptr) << why;
    };

    auto swapped = makeBitmap(4, 4, 8, pixels, 16);
    swapped[0] = 'M';
    swapped[1] = 'B';
    refused(swapped, "starts with MB");
    refused(makeBitmap(8, 4, 4, pixels, 16), "4-bit");
    refused(makeBitmap(2, 2, 32, pixels, 16), "32-bit");

    auto full = makeBitmap(4, 4, 8, pixels, 16);
    refused(std::vector<uint8_t>(full.begin(), full.begin() + 10), "short file header");
    refused(std::vector<uint8_t>(full.begin(), full.begin() + 40), "short info header");
    refused(std::vector<uint8_t>(full.begin(), full.begin() + 54 + 500), "short palette");

    refused(makeBitmap(4, 4, 8, pixels, 0), "biSizeImage 0");
    refused(makeBitmap(4, 4, 8, pixels, 12), "biSizeImage smaller than the rows");
    refused(makeBitmap(4, -4, 8, pixels, 16), "top-down height");
    refused(makeBitmap(4, 0, 8, pixels, 16), "zero height");
    refused(makeBitmap(0, 4, 8, pixels, 16), "zero width");
    refused(makeBitmap(-4, 4, 8, pixels, 16), "negative width");
    refused(makeBitmap(4, 4, 8, pixels, 1000), "more pixels than the file holds");
    refused(makeBitmap(0x40000000, 0x40000000, 24, pixels, 16), "sizes that overflow");
    refused(makeBitmap(65536, 65536, 8, pixels, 0xFFFFFFFF), "rows past 32 bits");

    image_ = BitmapImage{};
    EXPECT_FALSE(loadBitmapFile(image_, plat::pathText(dir_.path() / "missing.bmp").c_str()));
}

// A 40-byte header made longer, as image editors write it: the extra
// fields (masks, colour space) inserted after the first 40 bytes.
std::vector<uint8_t> withLongerHeader(std::vector<uint8_t> bytes, uint32_t headerBytes) {
    const uint32_t extra = headerBytes - 40;
    bytes.insert(bytes.begin() + 54, extra, 0xA5);
    auto put32 = [&bytes](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = uint8_t(v >> (8 * i));
        }
    };
    put32(2, uint32_t(bytes.size()));
    put32(10, 54 + extra + 1024);
    put32(14, headerBytes);
    return bytes;
}

TEST_F(BitmapTest, LongerHeadersReadTheSamePaletteAndPixels) {
    std::vector<uint8_t> pixels(16);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = uint8_t(i * 7);
    }
    auto plain = makeBitmap(4, 4, 8, pixels, 16);
    for (int i = 0; i < 1024; ++i) {
        plain[54 + i] = uint8_t(i * 13);
    }
    ASSERT_TRUE(load(plain));
    std::vector<uint8_t> palette(1024);
    std::memcpy(palette.data(), image_.palette, 1024);
    const std::vector<uint8_t> rows(image_.pixels, image_.pixels + 16);
    freeBitmapPixels(image_);
    for (const uint32_t headerBytes : {52u, 108u, 124u}) {
        SCOPED_TRACE(headerBytes);
        ASSERT_TRUE(load(withLongerHeader(plain, headerBytes)));
        EXPECT_EQ(std::memcmp(image_.palette, palette.data(), 1024), 0);
        EXPECT_EQ(std::vector<uint8_t>(image_.pixels, image_.pixels + 16), rows);
        freeBitmapPixels(image_);
    }
}

TEST_F(BitmapTest, RefusalsNameTheRealCause) {
    const std::vector<uint8_t> pixels(16, 1);
    auto header = [&](uint32_t size) {
        auto bytes = makeBitmap(4, 4, 8, pixels, 16);
        bytes[14] = uint8_t(size);
        bytes[15] = uint8_t(size >> 8);
        return bytes;
    };
    auto field = [&](uint16_t bits, size_t at, uint32_t value) {
        auto bytes = makeBitmap(4, 4, bits, std::vector<uint8_t>(64, 1), 64);
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = uint8_t(value >> (8 * i));
        }
        return bytes;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* why;
    } cases[] = {
        {"OS/2 header", header(12), "an OS/2 bitmap (its header is 12 bytes)"},
        {"header of 64 KiB", header(65000), "a bitmap header of 65000 bytes"},
        {"header of 20", header(20), "a bitmap header of 20 bytes"},
        {"RLE8", field(8, 30, 1), "run-length compressed (RLE8); only uncompressed"},
        {"JPEG", field(24, 30, 4), "a JPEG inside a bitmap"},
        {"bit fields on 24 bits", field(24, 30, 3), "stored with colour masks"},
        {"2 colours", field(8, 46, 2), "a palette of 2 colours; an 8-bit picture here needs"},
        {"300 colours", field(8, 46, 300), "a palette of 300 colours"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plat::detail::resetReports();
        EXPECT_FALSE(load(c.bytes));
        EXPECT_EQ(image_.pixels, nullptr);
        EXPECT_NE(plat::notedFailure().find(c.why), std::string::npos) << plat::notedFailure();
    }
    // 16-bit rows may name their masks, as editors write them.
    EXPECT_TRUE(load(field(16, 30, 3)));
}

TEST_F(BitmapTest, WhatStandsWhereTheSheetShouldIsRefusedWithItsCause) {
    const std::vector<uint8_t> pixels(16, 1);
    const struct {
        const char* name;
        Standing kind;
        std::vector<uint8_t> head;
        const char* why;
    } cases[] = {
        {"missing", Standing::Missing, {}, "No such file or directory"},
        {"directory", Standing::Directory, {}, "a directory, not a file"},
        {"named pipe", Standing::NamedPipe, {}, "a named pipe, not a regular file"},
        {"link to /dev/zero", Standing::DeviceLink, {}, "a device, not a regular file"},
        {"dangling link", Standing::DanglingLink, {}, "a symbolic link to a file that does not"},
        {"link loop", Standing::LinkLoop, {}, "a loop of symbolic links"},
        {"2 GiB of zeros", Standing::Sparse2GiB, {}, "the file holds 2.0 GiB, more than the 16.0"},
        {"2 GiB behind a header announcing them", Standing::Sparse2GiB,
         makeBitmap(4, 4, 8, pixels, 0x7FFFFF00), "the file holds 2.0 GiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!standingPossible(c.kind)) {
            continue;
        }
        ASSERT_TRUE(makeStanding(path_, c.kind, c.head));
        plat::detail::resetReports();
        image_ = BitmapImage{};
        EXPECT_FALSE(loadBitmapFile(image_, plat::pathText(path_).c_str()));
        EXPECT_EQ(image_.pixels, nullptr);
        EXPECT_NE(plat::notedFailure().find("picture.bmp: " + std::string(c.why)),
                  std::string::npos)
            << plat::notedFailure();
    }
    // Headers announcing 2 and 4 GiB of pixels in a small file: refused
    // before any block is allocated.
    for (const uint32_t announced : {0x80000000u, 0xFFFFFFFFu}) {
        plat::detail::resetReports();
        EXPECT_FALSE(load(makeBitmap(4, 4, 8, pixels, announced)));
        EXPECT_NE(plat::notedFailure().find("shorter than the image size its header gives"),
                  std::string::npos)
            << plat::notedFailure();
    }
}

TEST_F(BitmapTest, CopySheetRegionStartsOneColumnAndOneRowAfterTheOrigin) {
    freshProgram();
    // A 64x64 sheet where pixel (x, y) holds x + y * 3 (mod 256).
    std::vector<uint8_t> pixels(64 * 64);
    for (int fileRow = 0; fileRow < 64; ++fileRow) {
        const int y = 63 - fileRow;
        for (int x = 0; x < 64; ++x) {
            pixels[size_t(fileRow) * 64 + x] = uint8_t(x + y * 3);
        }
    }
    ASSERT_TRUE(load(makeBitmap(64, 64, 8, pixels, 64 * 64)));
    Picture picture = createOffscreenSurface(16, 16, true);
    ASSERT_TRUE(copySheetRegion(image_, picture, 10, 20));
    plat::SurfaceLock lock{};
    ASSERT_TRUE(plat::surfaceLock(picture, &lock));
    EXPECT_EQ(lock.pixels[0], uint8_t(11 + 21 * 3));
    EXPECT_EQ(lock.pixels[15 * lock.pitch + 15], uint8_t(26 + 36 * 3));
    plat::surfaceUnlock(picture);
    // A region that would run past the sheet's end copies nothing.
    EXPECT_FALSE(copySheetRegion(image_, picture, 40, 50));
    plat::surfaceRelease(picture);
}

} // namespace
