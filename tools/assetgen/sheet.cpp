// The sprite sheet: every picture of the game in one 8-bit bitmap, stacked
// block under block, with the game's palette.
#include "assets.h"
#include "sheet_draw.h"

#include <SDL_ttf.h>

#include <fstream>

namespace {

constexpr int sheetWidth = 648;
constexpr int sheetHeight = 2320;

// Ordered dither strengths: gentle on the large painted pictures, where the
// sky's gradients need it, and lighter still on the sprites.
constexpr float pictureDither = 0.03f;
constexpr float spriteDither = 0.015f;

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// An uncompressed 8-bit Windows bitmap: file header, information header,
// 256 palette entries in blue-green-red-reserved order, rows bottom-up.
std::vector<uint8_t> encodeBitmap(const sheet::SheetPixels& pixels, const sheet::Palette& palette) {
    const uint32_t imageBytes = static_cast<uint32_t>(pixels.width * pixels.height);
    const uint32_t pixelOffset = 14 + 40 + 256 * 4;
    std::vector<uint8_t> out;
    out.reserve(pixelOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putLittleEndian(out, pixelOffset + imageBytes, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, pixelOffset, 4);

    putLittleEndian(out, 40, 4);
    putLittleEndian(out, static_cast<uint32_t>(pixels.width), 4);
    putLittleEndian(out, static_cast<uint32_t>(pixels.height), 4);
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, 8, 2);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, imageBytes, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 2835, 4);
    putLittleEndian(out, 256, 4);
    putLittleEndian(out, 0, 4);

    for (const sheet::PaletteEntry& e : palette) {
        out.push_back(e.blue);
        out.push_back(e.green);
        out.push_back(e.red);
        out.push_back(0);
    }
    for (int y = pixels.height - 1; y >= 0; --y) {
        const auto row = pixels.index.begin() + static_cast<ptrdiff_t>(y) * pixels.width;
        out.insert(out.end(), row, row + pixels.width);
    }
    return out;
}

// The captions and the logo need the game's font; check it once up front.
bool fontUsable() {
    sheet::Mask probe;
    return sheet::textMask("Score", 12, 0, probe) && probe.width > 0;
}

void drawSheet(sheet::SheetPixels& pixels) {
    using namespace sheet;
    Quantiser quantiser;

    placePicture(pixels, quantiser, drawBackground(), 0, 0, pictureDither);
    for (int k = 0; k < 14; ++k) {
        placeSprite(pixels, quantiser, drawExplosionFrame(k), 48 * (k % 13), 480 + 48 * (k / 13),
                    spriteDither);
    }
    placeSprite(pixels, quantiser, drawSpore(), 624, 480, 0.0f);
    placeSprite(pixels, quantiser, drawSeedPod(), 624, 496, 0.0f);
    // Vine cells reach the middle of every edge so that side-by-side cells
    // join into one creeper.
    placeSprite(pixels, quantiser, drawVine(), 624, 512, 0.0f, true);
    placeSprite(pixels, quantiser, drawShot(), 624, 528, 0.0f);
    // The first cell of the ship's rows holds the last explosion picture.
    for (int k = 0; k < 72; ++k) {
        placeSprite(pixels, quantiser, drawShipFrame(k), 48 * ((k + 1) % 13),
                    528 + 48 * ((k + 1) / 13), 0.0f);
    }
    placeSprite(pixels, quantiser, drawBase(false), 0, 816, spriteDither);
    placeSprite(pixels, quantiser, drawBase(true), 304, 816, spriteDither);
    for (int k = 0; k < 14; ++k) {
        placeSprite(pixels, quantiser, drawBaseFallFrame(k), 324 * (k % 2), 920 + 124 * (k / 2),
                    spriteDither);
    }
    placePicture(pixels, quantiser, drawTitle(), 0, 1788, pictureDither);
    for (int k = 0; k < 6; ++k) {
        placeSprite(pixels, quantiser, drawSowerFrame(k), 48 * k, 2268, spriteDither);
    }
}

} // namespace

bool writeSpriteSheet(const std::string& path) {
    const bool startedFonts = TTF_WasInit() == 0;
    if (startedFonts && TTF_Init() != 0) {
        return false;
    }
    bool written = false;
    if (fontUsable()) {
        sheet::SheetPixels pixels;
        pixels.width = sheetWidth;
        pixels.height = sheetHeight;
        pixels.index.assign(static_cast<size_t>(sheetWidth) * sheetHeight, 0);
        drawSheet(pixels);

        const std::vector<uint8_t> bytes = encodeBitmap(pixels, sheet::gamePalette());
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        written = static_cast<bool>(file);
    }
    if (startedFonts) {
        TTF_Quit();
    }
    return written;
}
