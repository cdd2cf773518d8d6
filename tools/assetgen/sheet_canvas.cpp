// The drawing kit: canvas, supersampled rendering, distances, noise, the
// seeded generator and text masks.
#include "sheet_draw.h"
#include "text_masks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace sheet {

float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Paint over(Paint top, Paint bottom) {
    const float alpha = top.alpha + bottom.alpha * (1.0f - top.alpha);
    if (alpha <= 0.0f) {
        return {};
    }
    const Colour premultiplied =
        top.colour * top.alpha + bottom.colour * (bottom.alpha * (1.0f - top.alpha));
    return {premultiplied * (1.0f / alpha), alpha};
}

Colour ramp(const Colour* stops, size_t count, float t) {
    if (count == 1) {
        return stops[0];
    }
    const float position = clamp01(t) * static_cast<float>(count - 1);
    const size_t below = std::min(static_cast<size_t>(position), count - 2);
    return mix(stops[below], stops[below + 1], position - static_cast<float>(below));
}

// ---------------------------------------------------------------------------

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

Paint Canvas::get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return {};
    }
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::set(int x, int y, Paint p) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[static_cast<size_t>(y) * width_ + x] = p;
    }
}

void Canvas::blend(int x, int y, Paint p) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_ && p.alpha > 0.0f) {
        Paint& target = pixels_[static_cast<size_t>(y) * width_ + x];
        target = over(p, target);
    }
}

void render(Canvas& canvas, int samples, const Scene& scene) {
    render(canvas, samples, scene, 0, 0, canvas.width(), canvas.height());
}

void render(Canvas& canvas, int samples, const Scene& scene, int left, int top, int right,
            int bottom) {
    const float step = 1.0f / static_cast<float>(samples);
    const float count = static_cast<float>(samples * samples);
    for (int y = std::max(0, top); y < std::min(bottom, canvas.height()); ++y) {
        for (int x = std::max(0, left); x < std::min(right, canvas.width()); ++x) {
            Colour sum;
            float coverage = 0.0f;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const Paint p =
                        scene(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) * step,
                              static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) * step);
                    sum = sum + p.colour * p.alpha;
                    coverage += p.alpha;
                }
            }
            if (coverage > 0.0f) {
                canvas.blend(x, y, {sum * (1.0f / coverage), coverage / count});
            }
        }
    }
}

// ---------------------------------------------------------------------------

float circleDistance(float x, float y, float cx, float cy, float radius) {
    return vectorLength(x - cx, y - cy) - radius;
}

float segmentDistance(float x, float y, Point a, Point b) {
    const float abx = b.x - a.x;
    const float aby = b.y - a.y;
    const float length2 = abx * abx + aby * aby;
    float t = length2 > 0.0f ? ((x - a.x) * abx + (y - a.y) * aby) / length2 : 0.0f;
    t = clamp01(t);
    return vectorLength(x - (a.x + abx * t), y - (a.y + aby * t));
}

float ellipseDistance(float x, float y, float cx, float cy, float rx, float ry) {
    // Scaled circle distance: exact on the axes, close enough elsewhere for
    // shapes that are not very flat.
    const float nx = (x - cx) / rx;
    const float ny = (y - cy) / ry;
    const float k = vectorLength(nx, ny);
    return (k - 1.0f) * std::min(rx, ry);
}

float polygonDistance(float x, float y, const std::vector<Point>& corners) {
    float best = 1e30f;
    bool in = false;
    const size_t n = corners.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = corners[j];
        const Point b = corners[i];
        best = std::min(best, segmentDistance(x, y, a, b));
        if ((b.y > y) != (a.y > y) && x < (a.x - b.x) * (y - b.y) / (a.y - b.y) + b.x) {
            in = !in;
        }
    }
    return in ? -best : best;
}

// ---------------------------------------------------------------------------

namespace {

uint32_t mixBits(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

} // namespace

float hashUnit(int x, int y, uint32_t seed) {
    const uint32_t h = mixBits(static_cast<uint32_t>(x) * 0x9E3779B1U ^
                               mixBits(static_cast<uint32_t>(y) * 0x85EBCA77U ^ seed));
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float valueNoise(float x, float y, uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = hashUnit(ix, iy, seed);
    const float b = hashUnit(ix + 1, iy, seed);
    const float c = hashUnit(ix, iy + 1, seed);
    const float d = hashUnit(ix + 1, iy + 1, seed);
    return lerp(lerp(a, b, tx), lerp(c, d, tx), ty);
}

float fractalNoise(float x, float y, int octaves, uint32_t seed) {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(i) * 1013U) * weight;
        total += weight;
        weight *= 0.5f;
        // Rotate a little between octaves so the grid does not show.
        const float rx = x * 1.6f - y * 1.2f;
        const float ry = x * 1.2f + y * 1.6f;
        x = rx + 17.3f;
        y = ry + 5.1f;
    }
    return sum / total;
}

Chance::Chance(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ULL) {}

uint64_t Chance::next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
}

float Chance::unit() {
    return static_cast<float>(next() >> 40) / 16777216.0f;
}

// ---------------------------------------------------------------------------

float Mask::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0.0f;
    }
    return cover[static_cast<size_t>(y) * width + x];
}

float Mask::sample(float x, float y) const {
    const float fx = std::floor(x - 0.5f);
    const float fy = std::floor(y - 0.5f);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = x - 0.5f - fx;
    const float ty = y - 0.5f - fy;
    return lerp(lerp(at(ix, iy), at(ix + 1, iy), tx), lerp(at(ix, iy + 1), at(ix + 1, iy + 1), tx),
                ty);
}

namespace {

using textMasks::kMaskFiles;
using textMasks::MaskFile;

// Reads a binary PGM (P5, maxval 255) into the mask; false if it is not one.
bool readPgm(const std::string& path, Mask& mask) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    size_t at = 0;
    // The header's four words, with '#' comments between them.
    std::string words[4];
    for (std::string& word : words) {
        while (at < bytes.size() &&
               (std::isspace(static_cast<unsigned char>(bytes[at])) || bytes[at] == '#')) {
            if (bytes[at] == '#') {
                at = std::min(bytes.find('\n', at), bytes.size());
            } else {
                ++at;
            }
        }
        while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[at]))) {
            word += bytes[at++];
        }
    }
    ++at; // the one white space character before the pixels
    int width = 0;
    int height = 0;
    if (words[0] != "P5" || words[3] != "255" || std::sscanf(words[1].c_str(), "%d", &width) != 1 ||
        std::sscanf(words[2].c_str(), "%d", &height) != 1 || width <= 0 || height <= 0 ||
        width > 4096 || height > 4096 || bytes.size() != at + size_t(width) * size_t(height)) {
        std::fprintf(stderr, "quorvelindaxtor-assetgen: %s is not an 8-bit binary PGM\n",
                     path.c_str());
        return false;
    }
    mask.width = width;
    mask.height = height;
    mask.cover.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < mask.cover.size(); ++i) {
        mask.cover[i] = static_cast<float>(static_cast<unsigned char>(bytes[at + i])) / 255.0f;
    }
    return true;
}

} // namespace

bool textMask(const std::string& text, int pointSize, int outline, Mask& mask) {
    for (const MaskFile& entry : kMaskFiles) {
        if (text == entry.text && pointSize == entry.pointSize && outline == entry.outline) {
            return readPgm(std::string(QV_FONT_MASK_DIR) + "/" + entry.file, mask);
        }
    }
    std::fprintf(stderr, "quorvelindaxtor-assetgen: no mask for \"%s\" at %d pt\n", text.c_str(),
                 pointSize);
    return false;
}

bool textMasksReadable() {
    Mask mask;
    return std::all_of(std::begin(kMaskFiles), std::end(kMaskFiles), [&](const MaskFile& entry) {
        return textMask(entry.text, entry.pointSize, entry.outline, mask);
    });
}

Mask blurMask(const Mask& mask, int radius, int pad) {
    Mask out;
    out.width = mask.width + 2 * pad;
    out.height = mask.height + 2 * pad;
    out.cover.assign(static_cast<size_t>(out.width) * out.height, 0.0f);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            out.cover[static_cast<size_t>(y + pad) * out.width + x + pad] = mask.at(x, y);
        }
    }
    std::vector<float> scratch(out.cover.size());
    const float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) {
                    sum += out.at(x + k, y);
                }
                scratch[static_cast<size_t>(y) * out.width + x] = sum * norm;
            }
        }
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < out.height) {
                        sum += scratch[static_cast<size_t>(yy) * out.width + x];
                    }
                }
                out.cover[static_cast<size_t>(y) * out.width + x] = sum * norm;
            }
        }
    }
    return out;
}

} // namespace sheet
