// The simulator's pictures, read back by libpng: every index and every
// palette colour as they were shown.
#include "support.h"

#include "simulator.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <vector>

namespace {

using namespace testing_support;

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = -1;
    int bitDepth = 0;
    std::vector<png_color> palette;
    std::vector<uint8_t> pixels;
};

bool decodePng(const std::string& path, DecodedPng& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.colourType = png_get_color_type(png, info);
    out.bitDepth = png_get_bit_depth(png, info);
    png_colorp colours = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colours, &count) != 0) {
        out.palette.assign(colours, colours + count);
    }
    out.pixels.resize(size_t(out.width) * out.height);
    for (uint32_t y = 0; y < out.height; ++y) {
        png_read_row(png, out.pixels.data() + size_t(y) * out.width, nullptr);
    }
    // Reading the end checks every chunk's CRC up to IEND.
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

TEST(SimPictures, DecodeToTheShownIndicesAndPalette) {
    // Noise in one half, flat runs in the other: both the literal and the
    // repeated parts of the compressed stream.
    std::vector<uint8_t> pixels(size_t(plat::kScreenWidth) * plat::kScreenHeight);
    uint32_t seed = 12345;
    for (size_t i = 0; i < pixels.size(); ++i) {
        seed = seed * 1103515245 + 12345;
        pixels[i] = i < pixels.size() / 2 ? uint8_t(seed >> 16) : uint8_t(i / 6000);
    }
    uint8_t palette[256 * 4];
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = uint8_t(i);
        palette[4 * i + 1] = uint8_t(255 - i);
        palette[4 * i + 2] = uint8_t(i * 7);
        palette[4 * i + 3] = 4;
    }
    TempDir dir;
    const std::string path = (dir.path() / "picture.png").string();
    // Twice into the same file: the second picture replaces the first whole.
    std::vector<uint8_t> first(pixels.size(), 9);
    ASSERT_TRUE(sim::writePng(path, first.data(), palette));
    ASSERT_TRUE(sim::writePng(path, pixels.data(), palette));

    DecodedPng decoded;
    ASSERT_TRUE(decodePng(path, decoded));
    EXPECT_EQ(decoded.width, 640u);
    EXPECT_EQ(decoded.height, 480u);
    EXPECT_EQ(decoded.colourType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(decoded.bitDepth, 8);
    ASSERT_EQ(decoded.palette.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(decoded.palette[i].red, palette[4 * i]) << i;
        EXPECT_EQ(decoded.palette[i].green, palette[4 * i + 1]) << i;
        EXPECT_EQ(decoded.palette[i].blue, palette[4 * i + 2]) << i;
    }
    EXPECT_TRUE(decoded.pixels == pixels);

    EXPECT_FALSE(
        sim::writePng((dir.path() / "no" / "such" / "dir.png").string(), pixels.data(), palette));
}

} // namespace
