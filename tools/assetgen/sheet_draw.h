// Drawing kit of the sprite-sheet generator: colours, an RGB canvas with
// coverage, supersampled scene rendering, shape distances, noise, a seeded
// generator, text masks and the quantiser onto the game's palette.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace sheet {

// ---------------------------------------------------------------------------
// Colours

// A colour in display (sRGB) space, each channel 0..1.
struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Colour rgb8(int r, int g, int b) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
            static_cast<float>(b) / 255.0f};
}
inline Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Colour operator-(Colour a, Colour b) {
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Colour operator*(Colour a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
inline Colour operator*(Colour a, Colour b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Colour mix(Colour a, Colour b, float t) {
    return a + (b - a) * t;
}

float clamp01(float v);
float smoothstep(float edge0, float edge1, float v);
inline float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}
// Length of a vector; std::hypot's care for overflow is not needed here and
// costs dearly in the per-sample loops.
inline float vectorLength(float x, float y) {
    return std::sqrt(x * x + y * y);
}

// A colour with its coverage (straight, not premultiplied).
struct Paint {
    Colour colour;
    float alpha = 0.0f;
};

inline Paint solid(Colour c) {
    return {c, 1.0f};
}
inline Paint clear() {
    return {};
}
// Puts top over bottom.
Paint over(Paint top, Paint bottom);

// Picks a colour along a list of evenly spaced stops, t in 0..1.
Colour ramp(const Colour* stops, size_t count, float t);
inline Colour ramp(std::initializer_list<Colour> stops, float t) {
    return ramp(stops.begin(), stops.size(), t);
}
inline Colour ramp(const std::vector<Colour>& stops, float t) {
    return ramp(stops.data(), stops.size(), t);
}

// ---------------------------------------------------------------------------
// Canvas

class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Paint get(int x, int y) const;
    void set(int x, int y, Paint p);
    // Composites p over the pixel; pixels outside are ignored.
    void blend(int x, int y, Paint p);

  private:
    int width_;
    int height_;
    std::vector<Paint> pixels_;
};

// A scene gives the paint at a point of the picture in pixel units (pixel
// (i, j) covers [i, i + 1) x [j, j + 1)).
using Scene = std::function<Paint(float x, float y)>;

// Averages samples x samples points of the scene inside every pixel and puts
// the result over the canvas.
void render(Canvas& canvas, int samples, const Scene& scene);
// The same, limited to the pixels of columns left..right - 1 and rows
// top..bottom - 1 (clipped to the canvas).
void render(Canvas& canvas, int samples, const Scene& scene, int left, int top, int right,
            int bottom);

// ---------------------------------------------------------------------------
// Shapes: signed distances, negative inside.

struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

float circleDistance(float x, float y, float cx, float cy, float radius);
float segmentDistance(float x, float y, Point a, Point b);
float ellipseDistance(float x, float y, float cx, float cy, float rx, float ry);
float polygonDistance(float x, float y, const std::vector<Point>& corners);

// ---------------------------------------------------------------------------
// Noise and chance

// Smooth value noise in 0..1 with unit cell size.
float valueNoise(float x, float y, uint32_t seed);
// Fractal sum of octaves of value noise, in 0..1.
float fractalNoise(float x, float y, int octaves, uint32_t seed);
// A hash of integer coordinates in 0..1.
float hashUnit(int x, int y, uint32_t seed);

// The generator's own fixed-seed sequence (xorshift64*), the same on every
// run and every platform.
class Chance {
  public:
    explicit Chance(uint64_t seed);
    uint64_t next();
    // Uniform in [0, 1).
    float unit();
    float between(float low, float high) { return low + (high - low) * unit(); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

  private:
    uint64_t state_;
};

// ---------------------------------------------------------------------------
// Text

// Coverage of rendered text, 0..1 per pixel.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> cover;

    float at(int x, int y) const;
    // Bilinear reading at a point in pixel units.
    float sample(float x, float y) const;
};

// The coverage of one of the sheet's texts in the game's font, anti-aliased;
// outline > 0 widens the letters by that many pixels. Read from the masks
// kept with the font; false when the text has none or it cannot be read.
bool textMask(const std::string& text, int pointSize, int outline, Mask& mask);
// Whether every mask the sheet needs can be read.
bool textMasksReadable();
// A box blur of radius r, run twice, with the mask grown by pad on each side.
Mask blurMask(const Mask& mask, int radius, int pad);

// ---------------------------------------------------------------------------
// Palette and sheet

struct PaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};
using Palette = std::array<PaletteEntry, 256>;

// The game's 256 colours: 0 black (the transparent colour of sprites), 255
// white (the colour of the game's text), ramps in between.
const Palette& gamePalette();

// Maps colours to the nearest palette entry other than 0, judged in a
// perceptual colour space, remembering earlier answers.
class Quantiser {
  public:
    Quantiser();
    uint8_t nearest(Colour colour);

  private:
    std::vector<std::array<float, 3>> lab_;
    std::unordered_map<uint32_t, uint8_t> memory_;
};

// The sheet's pixels as palette indices, top row first.
struct SheetPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> index;
};

// Writes an opaque picture (background, title) into the shown part of the
// cell with cut origin (cutX, cutY): the canvas's pixel (0, 0) lands at sheet
// (cutX + 1, cutY + 1). dither is the strength of the ordered dither.
void placePicture(SheetPixels& sheet, Quantiser& quantiser, const Canvas& picture, int cutX,
                  int cutY, float dither);
// Writes a sprite the same way: pixels of little coverage become the
// transparent index 0, and unless openEdges is set, so does the outermost
// ring of the shown area.
void placeSprite(SheetPixels& sheet, Quantiser& quantiser, const Canvas& sprite, int cutX, int cutY,
                 float dither, bool openEdges = false);

// ---------------------------------------------------------------------------
// The pictures. Each returns the shown area of its cell, (w - 1) x (h - 1).

Canvas drawBackground();
Canvas drawTitle();
Canvas drawExplosionFrame(int frame);
Canvas drawBaseFallFrame(int frame);
Canvas drawSpore();
Canvas drawSeedPod();
Canvas drawVine();
Canvas drawShot();
Canvas drawShipFrame(int frame);
Canvas drawBase(bool ruined);
Canvas drawSowerFrame(int frame);

// Pieces shared with the title picture. The spore ball at any size, with
// centre (cx, cy) and radius.
Paint sporePaint(float x, float y, float cx, float cy, float radius);
// The sower and the ship at a point of their 47 x 47 shown cell, the ship
// at a heading in degrees (0 left, 90 up).
Paint sowerPaint(float x, float y, int frame);
Paint shipPaint(float x, float y, float heading);
// The base at a point of its 303 x 103 shown picture.
Paint basePaint(float x, float y, bool ruined);

} // namespace sheet
