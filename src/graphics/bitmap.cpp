#include "graphics/bitmap.h"

#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// Closes the file on every way out of the loader.
struct OpenFile {
    std::FILE* file;
    ~OpenFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

bool readExactly(std::FILE* file, void* target, size_t bytes) {
    return std::fread(target, 1, bytes, file) == bytes;
}

uint16_t u16(const uint8_t* at) {
    return uint16_t(at[0] | at[1] << 8);
}

uint32_t u32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

BitmapFileHeader decodeFileHeader(const uint8_t* b) {
    return {u16(b), u32(b + 2), u16(b + 6), u16(b + 8), u32(b + 10)};
}

BitmapInfoHeader decodeInfoHeader(const uint8_t* b) {
    return {u32(b),      int32_t(u32(b + 4)),  int32_t(u32(b + 8)),
            u16(b + 12), u16(b + 14),          u32(b + 16),
            u32(b + 20), int32_t(u32(b + 24)), int32_t(u32(b + 28)),
            u32(b + 32), u32(b + 36)};
}

} // namespace

bool loadBitmapFile(BitmapImage& bitmap, const char* path) {
    OpenFile in{plat::openDataFile(path)};
    if (in.file == nullptr) {
        return false;
    }

    uint8_t header[kBitmapInfoHeaderBytes];
    if (!readExactly(in.file, header, kBitmapFileHeaderBytes)) {
        return false;
    }
    bitmap.fileHeader = decodeFileHeader(header);
    if (bitmap.fileHeader.bfType != 0x4D42) {
        return false;
    }
    if (!readExactly(in.file, header, kBitmapInfoHeaderBytes)) {
        return false;
    }
    bitmap.infoHeader = decodeInfoHeader(header);

    const BitmapInfoHeader& info = bitmap.infoHeader;
    if (info.biBitCount == 8) {
        if (!readExactly(in.file, bitmap.palette, sizeof bitmap.palette)) {
            return false;
        }
        // The file stores blue, green, red, reserved.
        for (BitmapPaletteEntry& entry : bitmap.palette) {
            std::swap(entry.red, entry.blue);
        }
    }

    if (info.biBitCount != 8 && info.biBitCount != 16 && info.biBitCount != 24) {
        return false;
    }

    // The pixel rows are the last biSizeImage bytes of the file. The rows
    // are turned top-down in place, so the block must hold every row whole:
    // a zero or negative (top-down) height or width, or a size smaller than
    // the rows, is refused rather than read or written out of bounds.
    if (info.biWidth <= 0 || info.biHeight <= 0 || info.biSizeImage == 0) {
        return false;
    }
    const uint64_t rowBytes = uint64_t(info.biBitCount / 8) * uint64_t(info.biWidth);
    const uint64_t rowsBytes = rowBytes * uint64_t(info.biHeight);
    if (rowsBytes > info.biSizeImage) {
        return false;
    }

    const long headersEnd = std::ftell(in.file);
    if (std::fseek(in.file, 0, SEEK_END) != 0) {
        return false;
    }
    const long fileSize = std::ftell(in.file);
    if (headersEnd < 0 || fileSize < 0 || uint64_t(fileSize - headersEnd) < info.biSizeImage) {
        return false;
    }
    if (std::fseek(in.file, fileSize - long(info.biSizeImage), SEEK_SET) != 0) {
        return false;
    }

    auto* pixels = static_cast<uint8_t*>(std::malloc(info.biSizeImage));
    if (pixels == nullptr) {
        return false;
    }
    if (!readExactly(in.file, pixels, info.biSizeImage)) {
        std::free(pixels);
        return false;
    }

    // The file holds the bottom row first.
    const size_t rowLength = size_t(rowBytes);
    const int32_t height = info.biHeight;
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* upper = pixels + size_t(top) * rowLength;
        uint8_t* lower = pixels + size_t(bottom) * rowLength;
        std::swap_ranges(upper, upper + rowLength, lower);
    }

    bitmap.pixels = pixels;
    return true;
}

bool freeBitmapPixels(BitmapImage& bitmap) {
    if (bitmap.pixels != nullptr) {
        std::free(bitmap.pixels);
        bitmap.pixels = nullptr;
    }
    return true;
}
