// Fuzz target: any bytes as the sprite sheet file, read by the real loader.
#include "scratch.h"

#include "graphics/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzing::scratchDir() + "/images.bmp";
    if (!fuzzing::writeWhole(path, data, size)) {
        std::perror("cannot write the input file");
        std::abort();
    }

    BitmapImage image{};
    image.pixels = nullptr;
    if (!loadBitmapFile(image, path.c_str())) {
        if (image.pixels != nullptr) {
            std::fprintf(stderr, "a refused file left pixels behind\n");
            std::abort();
        }
        return 0;
    }

    // A loaded picture holds every row whole: touch its first and last
    // byte, so that a block shorter than the rows shows as an overflow.
    const BitmapInfoHeader& info = image.infoHeader;
    const size_t rowsBytes =
        size_t(info.biBitCount / 8) * size_t(info.biWidth) * size_t(info.biHeight);
    if (image.pixels == nullptr || size < kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes ||
        info.biSizeImage > size || rowsBytes == 0 || rowsBytes > info.biSizeImage) {
        std::fprintf(stderr, "a loaded picture breaks its own headers\n");
        std::abort();
    }
    volatile uint8_t edge = image.pixels[0] ^ image.pixels[rowsBytes - 1];
    (void)edge;
    freeBitmapPixels(image);
    if (image.pixels != nullptr) {
        std::abort();
    }
    return 0;
}
