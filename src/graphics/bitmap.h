// Reading the sprite sheet: an uncompressed Windows bitmap file.
#pragma once

#include <cstdint>

// The file's two headers, field by field as the file stores them
// (little-endian, 14 and 40 bytes).
struct BitmapFileHeader {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};

struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

constexpr int kBitmapFileHeaderBytes = 14;
constexpr int kBitmapInfoHeaderBytes = 40;

// One palette entry after loading: red, green, blue, then the file's fourth
// byte, the order in which the display's palette takes it.
struct BitmapPaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

// A loaded bitmap file: its headers, its palette and its pixels top-down.
// For an 8-bit picture, pixel (x, y) with y from the top is byte
// y * biWidth + x of pixels, a palette index.
struct BitmapImage {
    BitmapFileHeader fileHeader;
    BitmapInfoHeader infoHeader;
    BitmapPaletteEntry palette[256];
    uint8_t* pixels;
};

// Reads an 8-, 16- or 24-bit uncompressed bitmap. Set bitmap.pixels to null
// first. Refuses (false, pixels untouched) a missing file, one that does not
// start with "BM", another bit count, and any file whose headers, palette or
// pixels would take more bytes than it holds.
bool loadBitmapFile(BitmapImage& bitmap, const char* path);
// Frees the pixels if there are any; always true.
bool freeBitmapPixels(BitmapImage& bitmap);
