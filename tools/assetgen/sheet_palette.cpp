// The game's palette, the nearest-colour quantiser and the placing of
// pictures into the sheet.
#include "sheet_draw.h"

#include <algorithm>

namespace sheet {

namespace {

// One run of palette entries blended evenly through its stops.
struct PaletteRamp {
    int count;
    std::vector<Colour> stops;
};

// Entries 1 to 254, in index order. Each picture draws mostly from a few
// ramps, so each ramp is fine enough for smooth shading and dithering.
const std::vector<PaletteRamp>& paletteRamps() {
    static const std::vector<PaletteRamp> ramps = {
        // 1-26: neutral greys: metal, smoke, stars, the ship's hull.
        {26,
         {rgb8(8, 8, 12), rgb8(40, 41, 46), rgb8(96, 98, 106), rgb8(160, 162, 170),
          rgb8(236, 238, 242)}},
        // 27-54: night sky, navy to blue.
        {28,
         {rgb8(2, 3, 12), rgb8(6, 8, 26), rgb8(12, 16, 46), rgb8(22, 30, 74), rgb8(40, 52, 110),
          rgb8(70, 90, 160)}},
        // 55-74: violet sky and haze.
        {20,
         {rgb8(10, 5, 22), rgb8(28, 12, 50), rgb8(52, 26, 90), rgb8(90, 50, 140),
          rgb8(140, 96, 190)}},
        // 75-88: pale blues: glass, cockpit, star tints.
        {14, {rgb8(90, 130, 190), rgb8(140, 180, 230), rgb8(200, 228, 255)}},
        // 89-98: deep blues: the dome's glass.
        {10, {rgb8(8, 24, 70), rgb8(18, 50, 130), rgb8(36, 90, 200)}},
        // 99-104: cyan: the shot's centre.
        {6, {rgb8(0, 100, 120), rgb8(40, 200, 220), rgb8(180, 250, 255)}},
        // 105-124: warm rock greys.
        {20,
         {rgb8(18, 16, 16), rgb8(50, 45, 44), rgb8(98, 90, 84), rgb8(150, 140, 128),
          rgb8(200, 190, 172)}},
        // 125-142: browns: rock, soil.
        {18,
         {rgb8(22, 12, 6), rgb8(56, 32, 16), rgb8(102, 64, 32), rgb8(150, 104, 58),
          rgb8(200, 156, 100)}},
        // 143-168: greens: plants and spores.
        {26,
         {rgb8(4, 18, 6), rgb8(10, 44, 12), rgb8(24, 86, 22), rgb8(52, 136, 34), rgb8(110, 190, 50),
          rgb8(180, 235, 100), rgb8(225, 252, 170)}},
        // 169-176: khaki: spore dots.
        {8, {rgb8(66, 62, 28), rgb8(130, 120, 64), rgb8(196, 186, 120)}},
        // 177-184: reds: spore dots, warning lights.
        {8, {rgb8(70, 4, 6), rgb8(150, 14, 12), rgb8(226, 40, 30), rgb8(255, 120, 96)}},
        // 185-206: fire, white-hot to yellow, orange, red and dark red.
        {22,
         {rgb8(255, 254, 236), rgb8(255, 240, 150), rgb8(255, 206, 64), rgb8(252, 148, 24),
          rgb8(226, 86, 12), rgb8(172, 38, 8), rgb8(104, 16, 6)}},
        // 207-216: brown smoke.
        {10, {rgb8(30, 22, 18), rgb8(62, 46, 36), rgb8(100, 80, 64), rgb8(140, 120, 100)}},
        // 217-236: purples: the sower.
        {20,
         {rgb8(18, 4, 28), rgb8(54, 14, 76), rgb8(100, 30, 130), rgb8(156, 64, 186),
          rgb8(210, 140, 236)}},
        // 237-244: magenta: the sower's lights, the title's sky.
        {8, {rgb8(110, 8, 74), rgb8(210, 36, 140), rgb8(255, 150, 220)}},
        // 245-254: teal: the title's alien sky.
        {10,
         {rgb8(4, 20, 26), rgb8(10, 52, 62), rgb8(26, 100, 108), rgb8(80, 170, 166),
          rgb8(170, 230, 220)}},
    };
    return ramps;
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

float linearOf(float v) {
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

// Oklab: distances in it follow how different colours look.
std::array<float, 3> labOf(Colour c) {
    const float r = linearOf(clamp01(c.r));
    const float g = linearOf(clamp01(c.g));
    const float b = linearOf(clamp01(c.b));
    const float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

// 4 x 4 ordered-dither thresholds, centred on zero.
float bayer(int x, int y) {
    static const int matrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<float>(matrix[y & 3][x & 3]) + 0.5f) / 16.0f - 0.5f;
}

Colour dithered(Colour c, int x, int y, float strength) {
    const float offset = bayer(x, y) * strength;
    return {c.r + offset, c.g + offset, c.b + offset};
}

} // namespace

const Palette& gamePalette() {
    static const Palette palette = [] {
        Palette p{};
        int index = 1;
        for (const PaletteRamp& r : paletteRamps()) {
            for (int i = 0; i < r.count; ++i) {
                const Colour c =
                    ramp(r.stops, static_cast<float>(i) / static_cast<float>(r.count - 1));
                p[index++] = {toByte(c.r), toByte(c.g), toByte(c.b)};
            }
        }
        p[0] = {0, 0, 0};
        p[255] = {255, 255, 255};
        return p;
    }();
    return palette;
}

Quantiser::Quantiser() {
    const Palette& palette = gamePalette();
    for (const PaletteEntry& e : palette) {
        lab_.push_back(labOf(rgb8(e.red, e.green, e.blue)));
    }
}

uint8_t Quantiser::nearest(Colour colour) {
    const uint32_t key = (static_cast<uint32_t>(toByte(colour.r)) << 16) |
                         (static_cast<uint32_t>(toByte(colour.g)) << 8) | toByte(colour.b);
    const auto known = memory_.find(key);
    if (known != memory_.end()) {
        return known->second;
    }
    const std::array<float, 3> lab =
        labOf(rgb8(static_cast<int>(key >> 16), static_cast<int>((key >> 8) & 255),
                   static_cast<int>(key & 255)));
    uint8_t best = 1;
    float bestDistance = 1e30f;
    // Entry 0 is the sprites' transparent colour: never a colour of a picture.
    for (int i = 1; i < 256; ++i) {
        const float dl = lab[0] - lab_[i][0];
        const float da = lab[1] - lab_[i][1];
        const float db = lab[2] - lab_[i][2];
        const float distance = dl * dl * 1.4f + da * da + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<uint8_t>(i);
        }
    }
    memory_.emplace(key, best);
    return best;
}

void placePicture(SheetPixels& sheet, Quantiser& quantiser, const Canvas& picture, int cutX,
                  int cutY, float dither) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Paint p = over(picture.get(x, y), solid(Colour{}));
            const int sx = cutX + 1 + x;
            const int sy = cutY + 1 + y;
            sheet.index[static_cast<size_t>(sy) * sheet.width + sx] =
                quantiser.nearest(dithered(p.colour, sx, sy, dither));
        }
    }
}

void placeSprite(SheetPixels& sheet, Quantiser& quantiser, const Canvas& sprite, int cutX, int cutY,
                 float dither, bool openEdges) {
    for (int y = 0; y < sprite.height(); ++y) {
        for (int x = 0; x < sprite.width(); ++x) {
            const bool ring =
                x == 0 || y == 0 || x == sprite.width() - 1 || y == sprite.height() - 1;
            const Paint p = sprite.get(x, y);
            const int sx = cutX + 1 + x;
            const int sy = cutY + 1 + y;
            uint8_t index = 0;
            if (p.alpha >= 0.45f && (openEdges || !ring)) {
                // Partly covered edge pixels darken a little, which reads as
                // a soft outline against the dark play field.
                const Colour edge = p.colour * (0.55f + 0.45f * p.alpha);
                index = quantiser.nearest(dithered(edge, sx, sy, dither));
            }
            sheet.index[static_cast<size_t>(sy) * sheet.width + sx] = index;
        }
    }
}

} // namespace sheet
