// The sprite sheet: every picture of the game in one 8-bit bitmap, stacked
// block under block, with the game's palette.
#include "assets.h"
#include "graphics/sheet_layout.h"
#include "sheet_draw.h"

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

void drawSheet(sheet::SheetPixels& pixels) {
    using namespace sheet;
    using namespace sheetLayout;
    Quantiser quantiser;

    placePicture(pixels, quantiser, drawBackground(), kBackground.x, kBackground.y, pictureDither);
    for (int k = 0; k < kExplosionFrames; ++k) {
        placeSprite(pixels, quantiser, drawExplosionFrame(k), explosionOrigin(k).x,
                    explosionOrigin(k).y, spriteDither);
    }
    placeSprite(pixels, quantiser, drawSpore(), kSpore.x, kSpore.y, 0.0f);
    placeSprite(pixels, quantiser, drawSeedPod(), kSeedPod.x, kSeedPod.y, 0.0f);
    // Vine cells reach the middle of every edge so that side-by-side cells
    // join into one creeper.
    placeSprite(pixels, quantiser, drawVine(), kVine.x, kVine.y, 0.0f, true);
    placeSprite(pixels, quantiser, drawShot(), kShot.x, kShot.y, 0.0f);
    for (int k = 0; k < kShipFrames; ++k) {
        placeSprite(pixels, quantiser, drawShipFrame(k), shipOrigin(k).x, shipOrigin(k).y, 0.0f);
    }
    for (int k = 0; k < kBaseFrames; ++k) {
        placeSprite(pixels, quantiser, drawBase(k == 1), baseOrigin(k).x, baseOrigin(k).y,
                    spriteDither);
    }
    for (int k = 0; k < kBaseFallFrames; ++k) {
        placeSprite(pixels, quantiser, drawBaseFallFrame(k), baseFallOrigin(k).x,
                    baseFallOrigin(k).y, spriteDither);
    }
    placePicture(pixels, quantiser, drawTitle(), kTitle.x, kTitle.y, pictureDither);
    for (int k = 0; k < kSowerFrames; ++k) {
        placeSprite(pixels, quantiser, drawSowerFrame(k), sowerOrigin(k).x, sowerOrigin(k).y,
                    spriteDither);
    }
}

} // namespace

bool writeSpriteSheet(const std::string& path) {
    // The captions and the logo need the font's masks; check them up front.
    bool written = false;
    if (sheet::textMasksReadable()) {
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
    return written;
}
