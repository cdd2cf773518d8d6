// The icons the asset generator writes, read back by libpng: every desktop
// size a valid RGBA picture of its size, and the Windows icon file holding
// the same pictures under a directory that names their sizes.
#include "support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr const char* kName = "test.icon";

std::vector<uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t little(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + size_t(i));
    }
    return value;
}

// Reads the whole picture, so that libpng checks every chunk's CRC and the
// image data's Adler sum; false on any error.
bool readsAsRgba(const fs::path& path, uint32_t* width, uint32_t* height) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        *width = png_get_image_width(png, info);
        *height = png_get_image_height(png, info);
        ok = png_get_color_type(png, info) == PNG_COLOR_TYPE_RGBA &&
             png_get_bit_depth(png, info) == 8;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

class IconsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        const std::string command = std::string("\"") + QV_ASSETGEN + "\" --icons \"" +
                                    dir_->path().string() + "\" " + kName + " > /dev/null 2>&1";
        generated_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static fs::path png(int size) {
        const std::string side = std::to_string(size) + "x" + std::to_string(size);
        return dir_->path() / "hicolor" / side / "apps" / (std::string(kName) + ".png");
    }

    static inline TempDir* dir_ = nullptr;
    static inline bool generated_ = false;
    static constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};
};

TEST_F(IconsTest, EveryDesktopSizeIsAWholeRgbaPictureOfThatSize) {
    ASSERT_TRUE(generated_);
    for (const int size : kSizes) {
        SCOPED_TRACE(size);
        uint32_t width = 0;
        uint32_t height = 0;
        ASSERT_TRUE(readsAsRgba(png(size), &width, &height));
        EXPECT_EQ(width, uint32_t(size));
        EXPECT_EQ(height, uint32_t(size));
    }
}

TEST_F(IconsTest, TheWindowsIconHoldsEverySizeAsItsPngFile) {
    ASSERT_TRUE(generated_);
    const std::vector<uint8_t> ico = bytesOf(dir_->path() / (std::string(kName) + ".ico"));
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(little(ico, 0, 2), 0u);
    EXPECT_EQ(little(ico, 2, 2), 1u) << "an icon, not a cursor";
    ASSERT_EQ(little(ico, 4, 2), std::size(kSizes));
    for (size_t i = 0; i < std::size(kSizes); ++i) {
        SCOPED_TRACE(kSizes[i]);
        const size_t entry = 6 + 16 * i;
        const uint32_t side = kSizes[i] == 256 ? 0 : uint32_t(kSizes[i]);
        EXPECT_EQ(little(ico, entry, 1), side);
        EXPECT_EQ(little(ico, entry + 1, 1), side);
        EXPECT_EQ(little(ico, entry + 6, 2), 32u) << "bits a pixel";
        const uint32_t length = little(ico, entry + 8, 4);
        const uint32_t offset = little(ico, entry + 12, 4);
        ASSERT_LE(size_t(offset) + length, ico.size());
        const std::vector<uint8_t> image(ico.begin() + offset, ico.begin() + offset + length);
        EXPECT_EQ(image, bytesOf(png(kSizes[i])));
    }
}

} // namespace
