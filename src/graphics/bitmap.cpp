#include "graphics/bitmap.h"

#include "platform/files.h"
#include "platform/report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Far above the game's sheet (1.5 MB) and far below what would hurt: the
// pixel block is read whole, at every one of a game start's fourteen reads.
constexpr uint64_t kMaxBitmapFileBytes = 16 * 1024 * 1024;

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

constexpr uint32_t kOs2InfoHeaderBytes = 12;
// A BITMAPV5HEADER, the longest kind; anything longer is no bitmap header.
constexpr uint32_t kMaxInfoHeaderBytes = 124;
constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kBitFields = 3;

// The compression a header names, as a refusal tells it.
std::string compressionName(uint32_t compression) {
    switch (compression) {
    case 1:
        return "run-length compressed (RLE8)";
    case 2:
        return "run-length compressed (RLE4)";
    case 3:
        return "stored with colour masks (bit fields)";
    case 4:
        return "a JPEG inside a bitmap";
    case 5:
        return "a PNG inside a bitmap";
    default:
        return "compression " + std::to_string(compression);
    }
}

// Notes why the file was refused; always false.
bool refuse(const char* path, const std::string& why) {
    plat::noteFailure("cannot load", path, why);
    return false;
}

} // namespace

bool loadBitmapFile(BitmapImage& bitmap, const char* path) {
    uint64_t fileSize = 0;
    std::string why;
    OpenFile in{plat::openDataFile(path, kMaxBitmapFileBytes, &fileSize, &why)};
    if (in.file == nullptr) {
        return refuse(path, why);
    }

    uint8_t header[kBitmapInfoHeaderBytes];
    if (!readExactly(in.file, header, kBitmapFileHeaderBytes)) {
        return refuse(path, "the file is shorter than a bitmap's headers");
    }
    bitmap.fileHeader = decodeFileHeader(header);
    if (bitmap.fileHeader.bfType != 0x4D42) {
        return refuse(path, "not a Windows bitmap (it does not start with \"BM\")");
    }
    // The information header says how long it is: Windows writes 40 bytes,
    // and image editors the longer 108- and 124-byte kinds, which begin with
    // the same 40. OS/2's 12-byte kind holds other fields.
    if (!readExactly(in.file, header, 4)) {
        return refuse(path, "the file is shorter than a bitmap's headers");
    }
    const uint32_t headerBytes = u32(header);
    if (headerBytes == kOs2InfoHeaderBytes) {
        return refuse(path, "an OS/2 bitmap (its header is 12 bytes); only Windows bitmaps are "
                            "read");
    }
    if (headerBytes < kBitmapInfoHeaderBytes || headerBytes > kMaxInfoHeaderBytes) {
        return refuse(path, "a bitmap header of " + std::to_string(headerBytes) +
                                " bytes; a Windows bitmap's header has 40 to 124");
    }
    if (!readExactly(in.file, header + 4, kBitmapInfoHeaderBytes - 4)) {
        return refuse(path, "the file is shorter than a bitmap's headers");
    }
    bitmap.infoHeader = decodeInfoHeader(header);
    // The rest of a longer header (colour masks, colour space) is passed
    // over: the palette follows the header, however long it is.
    if (headerBytes > kBitmapInfoHeaderBytes &&
        std::fseek(in.file, long(headerBytes - kBitmapInfoHeaderBytes), SEEK_CUR) != 0) {
        return refuse(path, std::strerror(errno));
    }

    const BitmapInfoHeader& info = bitmap.infoHeader;
    if (info.biBitCount != 8 && info.biBitCount != 16 && info.biBitCount != 24) {
        return refuse(path, std::to_string(info.biBitCount) +
                                " bits per pixel; only 8-, 16- and 24-bit pictures are read");
    }
    // Only rows stored as they are; 16-bit rows may name their colour masks.
    const bool masked16 = info.biBitCount == 16 && info.biCompression == kBitFields;
    if (info.biCompression != kUncompressed && !masked16) {
        return refuse(path, compressionName(info.biCompression) +
                                "; only uncompressed pictures are read");
    }
    if (info.biBitCount == 8) {
        if (info.biClrUsed != 0 && info.biClrUsed != 256) {
            return refuse(path, "a palette of " + std::to_string(info.biClrUsed) +
                                    " colours; an 8-bit picture here needs all 256");
        }
        if (!readExactly(in.file, bitmap.palette, sizeof bitmap.palette)) {
            return refuse(path, "the file ends inside its palette");
        }
        // The file stores blue, green, red, reserved.
        for (BitmapPaletteEntry& entry : bitmap.palette) {
            std::swap(entry.red, entry.blue);
        }
    }

    // The pixel rows are the last biSizeImage bytes of the file. The rows
    // are turned top-down in place, so the block must hold every row whole:
    // a zero or negative (top-down) height or width, or a size smaller than
    // the rows, is refused rather than read or written out of bounds.
    if (info.biWidth <= 0 || info.biHeight <= 0) {
        return refuse(path, "a width of " + std::to_string(info.biWidth) + " and a height of " +
                                std::to_string(info.biHeight) +
                                " (only bottom-up pictures of at least one pixel are read)");
    }
    if (info.biSizeImage == 0) {
        return refuse(path, "its header gives no image size");
    }
    const uint64_t rowBytes = uint64_t(info.biBitCount / 8) * uint64_t(info.biWidth);
    const uint64_t rowsBytes = rowBytes * uint64_t(info.biHeight);
    if (rowsBytes > info.biSizeImage) {
        return refuse(path, "its image size is smaller than its rows of pixels");
    }

    // Checked against the file's size before the block is allocated.
    const long headersEnd = std::ftell(in.file);
    if (headersEnd < 0 || fileSize < uint64_t(headersEnd) ||
        fileSize - uint64_t(headersEnd) < info.biSizeImage) {
        return refuse(path, "the file is shorter than the image size its header gives (" +
                                std::to_string(info.biSizeImage) + " bytes)");
    }
    if (std::fseek(in.file, fileSize - long(info.biSizeImage), SEEK_SET) != 0) {
        return refuse(path, std::strerror(errno));
    }

    auto* pixels = static_cast<uint8_t*>(std::malloc(info.biSizeImage));
    if (pixels == nullptr) {
        return refuse(path, "not enough memory for its pixels");
    }
    if (!readExactly(in.file, pixels, info.biSizeImage)) {
        std::free(pixels);
        return refuse(path, "cannot read its pixels");
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
