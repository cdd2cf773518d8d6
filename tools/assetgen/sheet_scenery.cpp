// The two full-screen pictures: the play field's night sky over rocky
// mountains with the captions of the counters, and the title picture.
#include "sheet_draw.h"

#include <algorithm>

namespace sheet {

namespace {

constexpr float pi = 3.14159265f;
constexpr int screenWidth = 639;
constexpr int screenHeight = 479;

// ---------------------------------------------------------------------------
// Stars

struct Star {
    float x;
    float y;
    float size;
    float bright;
    Colour tint;
};

// Stars of three kinds (0 many faint points, 1 some soft medium ones, 2 a
// few bright ones with glints). dimming(x, y, kind) scales a star's light
// where it stands; 0 leaves it out.
std::vector<Star> scatterStars(uint64_t seed, int faint, int medium, int bright,
                               const std::function<float(float, float, int)>& dimming) {
    std::vector<Star> stars;
    Chance chance(seed);
    const Colour tints[] = {rgb8(255, 255, 255), rgb8(200, 220, 255), rgb8(255, 240, 200),
                            rgb8(255, 210, 180), rgb8(220, 210, 255)};
    const int counts[] = {faint, medium, bright};
    for (int kind = 0; kind < 3; ++kind) {
        for (int i = 0; i < counts[kind]; ++i) {
            Star s;
            s.x = chance.between(2.0f, 637.0f);
            s.y = chance.between(2.0f, 440.0f);
            s.tint = tints[chance.below(5)];
            s.size = kind == 0 ? 0.42f : (kind == 1 ? chance.between(0.6f, 0.8f) : 0.95f);
            s.bright = kind == 0 ? chance.between(0.25f, 0.75f)
                                 : (kind == 1 ? chance.between(0.7f, 1.0f) : 1.0f);
            s.bright *= dimming(s.x, s.y, kind);
            if (s.bright > 0.0f) {
                stars.push_back(s);
            }
        }
    }
    return stars;
}

// Adds the stars' light onto an opaque sky.
void drawStars(Canvas& canvas, const std::vector<Star>& stars) {
    for (const Star& s : stars) {
        const bool glint = s.size > 0.9f;
        const int reach = glint ? 7 : 3;
        for (int j = -reach; j <= reach; ++j) {
            for (int i = -reach; i <= reach; ++i) {
                const int px = static_cast<int>(std::floor(s.x)) + i;
                const int py = static_cast<int>(std::floor(s.y)) + j;
                const float dx = static_cast<float>(px) + 0.5f - s.x;
                const float dy = static_cast<float>(py) + 0.5f - s.y;
                float light = s.bright * std::exp(-(dx * dx + dy * dy) / (2.0f * s.size * s.size));
                if (glint) {
                    const float arm =
                        std::exp(-std::fabs(dy) * 2.2f) * std::exp(-std::fabs(dx) / 2.2f) +
                        std::exp(-std::fabs(dx) * 2.2f) * std::exp(-std::fabs(dy) / 2.2f);
                    light += 0.55f * arm;
                }
                if (light < 0.02f) {
                    continue;
                }
                Paint p = canvas.get(px, py);
                p.colour = p.colour + s.tint * light;
                p.colour = {std::min(p.colour.r, 1.0f), std::min(p.colour.g, 1.0f),
                            std::min(p.colour.b, 1.0f)};
                canvas.set(px, py, p);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Mountains

// Sharp-crested noise along one axis: 1 on the crests.
float ridge(float x, uint32_t seed) {
    float sum = 0.0f;
    float weight = 0.6f;
    float scale = 1.0f;
    for (int i = 0; i < 4; ++i) {
        const float n = valueNoise(x * scale, 0.5f + static_cast<float>(i) * 7.0f,
                                   seed + static_cast<uint32_t>(i));
        sum += weight * (1.0f - std::fabs(2.0f * n - 1.0f));
        weight *= 0.5f;
        scale *= 2.1f;
    }
    return sum / 1.125f;
}

// A range of mountains: peaks whose flanks steepen towards the summit,
// their crest roughened by noise.
struct Peak {
    float x;
    float y;
    float slope;
};

struct Range {
    std::vector<Peak> peaks;
    uint32_t seed;

    // The crest's row at column x and the peak that forms it.
    float crest(float x, const Peak** owner = nullptr) const {
        float best = 1e9f;
        for (const Peak& p : peaks) {
            // Steeper near the summit, like worn rock.
            const float dx = std::fabs(x - p.x);
            const float y = p.y + p.slope * (dx + 5.0f * std::sqrt(dx)) * 0.75f;
            if (y < best) {
                best = y;
                if (owner != nullptr) {
                    *owner = &p;
                }
            }
        }
        return best + 26.0f * (fractalNoise(x / 45.0f, 0.5f, 3, seed) - 0.5f) +
               10.0f * (ridge(x / 14.0f, seed + 2U) - 0.5f) +
               2.5f * (valueNoise(x / 3.0f, 1.5f, seed + 1U) - 0.5f);
    }
};

// Peaks spread along the screen with their summits between rows high and
// low; valleyDepth lowers those near the middle, where the base stands.
Range makeRange(uint64_t seed, int count, float high, float low, float valleyDepth) {
    Range range;
    range.seed = static_cast<uint32_t>(seed);
    Chance chance(seed);
    for (int i = 0; i < count; ++i) {
        const float x =
            (static_cast<float>(i) + chance.between(0.1f, 0.9f)) * 660.0f / count - 10.0f;
        const float valley = std::exp(-std::pow((x - 319.0f) / 140.0f, 2.0f));
        const float y = chance.between(high, low) + valleyDepth * valley;
        range.peaks.push_back({x, y, chance.between(0.45f, 1.0f)});
    }
    return range;
}

const Range& farRange() {
    static const Range range = makeRange(71, 13, 290.0f, 345.0f, 0.0f);
    return range;
}

const Range& nearRange() {
    static const Range range = makeRange(83, 10, 350.0f, 395.0f, 50.0f);
    return range;
}

float groundLine(float x) {
    return 457.0f + 3.5f * fractalNoise(x / 14.0f, 0.3f, 3, 97U);
}

// Light on a mountain's flank: the side of its peak facing the upper left
// is lit, the other in shade, the border between them wandering down from
// the summit; rocky facets add their own light and shade.
float flankLight(float x, float y, const Peak& peak, uint32_t seed, float roughness) {
    const float wander = 30.0f * (fractalNoise(y / 26.0f, peak.x / 10.0f, 3, seed) - 0.5f);
    const float border = peak.x + (y - peak.y) * 0.3f + wander;
    float light = x < border ? 0.7f : 0.36f;
    // Gullies running down the flanks.
    const float gully = ridge((x + y * 0.45f) / 18.0f, seed + 5U);
    light += 0.22f * (gully - 0.5f);
    const auto rough = [seed](float a, float b) {
        return 1.0f - std::fabs(2.0f * fractalNoise(a / 13.0f, b / 9.0f, 4, seed + 9U) - 1.0f);
    };
    constexpr float e = 0.8f;
    const float h = rough(x, y);
    const float hx = rough(x + e, y);
    const float hy = rough(x, y + e);
    const float facet = -(hx - h) * 5.0f - (hy - h) * 6.0f;
    return light + roughness * std::max(-0.22f, std::min(0.22f, facet * 0.8f));
}

Paint mountainPaint(float x, float y) {
    const float ground = groundLine(x);
    if (y >= ground) {
        // Dark stony soil with a few pebbles.
        Colour soil = mix(rgb8(44, 32, 24), rgb8(18, 12, 10), clamp01((y - ground) / 20.0f));
        soil = soil * (0.8f + 0.4f * fractalNoise(x / 4.0f, y / 3.0f, 2, 111U));
        const int ci = static_cast<int>(std::floor(x / 9.0f));
        const int cj = static_cast<int>(std::floor(y / 6.0f));
        const float pebble =
            circleDistance(x, y, (static_cast<float>(ci) + hashUnit(ci, cj, 7U)) * 9.0f,
                           (static_cast<float>(cj) + hashUnit(ci, cj, 8U)) * 6.0f,
                           0.4f + 1.2f * hashUnit(ci, cj, 9U));
        if (pebble < 0.0f && hashUnit(ci, cj, 10U) < 0.6f) {
            soil = mix(rgb8(96, 78, 58), rgb8(40, 30, 24),
                       clamp01(0.5f + pebble + (y - 460.0f) / 40.0f));
        }
        if (y - ground < 1.0f) {
            soil = rgb8(96, 74, 54);
        }
        return solid(soil);
    }
    const Peak* owner = nullptr;
    const float near = nearRange().crest(x, &owner);
    if (y >= near) {
        // The rocky near range, browner and darker towards its foot.
        float light = flankLight(x, y, *owner, 83U, 1.0f);
        light *= 1.0f - 0.5f * clamp01((y - near) / 80.0f);
        if (y - near < 1.2f) {
            light += 0.3f;
        }
        return solid(ramp({rgb8(12, 10, 12), rgb8(34, 27, 26), rgb8(70, 54, 44), rgb8(118, 94, 72),
                           rgb8(164, 138, 108)},
                          clamp01(light * 0.78f)));
    }
    const float far = farRange().crest(x, &owner);
    if (y >= far) {
        // The far range, blue with distance.
        float light = flankLight(x, y, *owner, 71U, 0.45f);
        light *= 1.0f - 0.4f * clamp01((y - far) / 90.0f);
        if (y - far < 1.2f) {
            light += 0.3f;
        }
        return solid(ramp({rgb8(10, 9, 26), rgb8(24, 20, 50), rgb8(44, 36, 80), rgb8(76, 64, 116)},
                          clamp01(light * 0.8f)));
    }
    return clear();
}

// ---------------------------------------------------------------------------
// Sky bodies

// A banded gas giant with a ring, lit from the left.
Paint ringedPlanet(float x, float y, float cx, float cy, float radius) {
    const float tilt = -0.33f;
    const float c = std::cos(tilt);
    const float s = std::sin(tilt);
    const float rx = (x - cx) * c + (y - cy) * s;
    const float ry = -(x - cx) * s + (y - cy) * c;
    // The ring, a flat ellipse: the half behind the planet is hidden by it.
    Paint ring = clear();
    const float k = vectorLength(rx, ry / 0.24f) / radius;
    if (k > 1.3f && k < 1.95f) {
        const float band = 0.55f + 0.45f * std::sin(k * 40.0f) * std::sin(k * 13.0f);
        const bool gap = std::fabs(k - 1.62f) < 0.03f;
        if (!gap) {
            Colour rc = mix(rgb8(120, 104, 80), rgb8(214, 200, 160), band);
            // The planet's shadow falls on the far side of the ring.
            if (ry < 0.0f && std::fabs(rx) < radius && rx > 0.0f) {
                rc = rc * 0.35f;
            }
            ring = {rc, 0.85f};
        }
    }
    const float d = vectorLength(x - cx, y - cy) / radius;
    if (d > 1.0f) {
        return ring;
    }
    const float nx = (x - cx) / radius;
    const float ny = (y - cy) / radius;
    const float nz = std::sqrt(std::max(0.0f, 1.0f - d * d));
    const float light = clamp01(-0.75f * nx - 0.35f * ny + 0.56f * nz);
    const float latitude = ry / radius;
    const float swirl = fractalNoise(rx / 18.0f, ry / 5.0f, 3, 131U);
    const float bands = 0.5f + 0.5f * std::sin(latitude * 11.0f + swirl * 2.5f);
    Colour body = ramp({rgb8(70, 50, 96), rgb8(140, 110, 150), rgb8(200, 180, 150)}, bands);
    body = body * (0.06f + 1.0f * light);
    // A thin bright limb on the lit side.
    body = mix(body, rgb8(200, 190, 255), smoothstep(0.9f, 1.0f, d) * light * 0.7f);
    const Paint planet = solid(body);
    return ry > 0.0f && ring.alpha > 0.0f ? over(ring, planet) : planet;
}

// A small grey moon with craters, lit from the left.
Paint moon(float x, float y, float cx, float cy, float radius) {
    const float d = vectorLength(x - cx, y - cy) / radius;
    if (d > 1.0f) {
        return clear();
    }
    const float nx = (x - cx) / radius;
    const float ny = (y - cy) / radius;
    const float nz = std::sqrt(std::max(0.0f, 1.0f - d * d));
    const float light = clamp01(-0.8f * nx - 0.3f * ny + 0.5f * nz);
    float tone = 0.7f + 0.3f * fractalNoise(x / 3.0f, y / 3.0f, 2, 141U);
    const Point craters[] = {{-0.3f, -0.2f}, {0.3f, 0.35f}, {-0.1f, 0.5f}, {0.45f, -0.3f}};
    for (const Point& p : craters) {
        if (vectorLength(nx - p.x, ny - p.y) < 0.2f) {
            tone *= 0.7f;
        }
    }
    return solid(rgb8(200, 200, 210) * (tone * (0.05f + 0.95f * light)));
}

// ---------------------------------------------------------------------------
// Text

// Puts text over the canvas at (x, y) in one colour with a dark shadow.
void drawCaption(Canvas& canvas, const std::string& text, int size, int x, int y, Colour colour) {
    Mask mask;
    if (!textMask(text, size, 0, mask)) {
        return;
    }
    for (int j = 0; j < mask.height + 1; ++j) {
        for (int i = 0; i < mask.width + 1; ++i) {
            const float shadow = mask.at(i - 1, j - 1);
            const float ink = mask.at(i, j);
            if (shadow > 0.0f) {
                canvas.blend(x + i, y + j, {rgb8(4, 4, 14), shadow * 0.9f});
            }
            if (ink > 0.0f) {
                canvas.blend(x + i, y + j, {colour, ink});
            }
        }
    }
}

// The name of the game as a logo: a fiery metal gradient with a bevel, a
// dark outline and a glow, slanted forward.
void drawLogo(Canvas& canvas, const std::string& text, int size, int centreX, int top) {
    constexpr int outline = 3;
    Mask fill;
    Mask edge;
    if (!textMask(text, size, 0, fill) || !textMask(text, size, outline, edge)) {
        return;
    }
    constexpr int pad = 14;
    const Mask glow = blurMask(edge, 5, pad);
    // The rows the letters really cover, for the gradient.
    int inkTop = fill.height;
    int inkBottom = 0;
    for (int j = 0; j < fill.height; ++j) {
        for (int i = 0; i < fill.width; ++i) {
            if (fill.at(i, j) > 0.5f) {
                inkTop = std::min(inkTop, j);
                inkBottom = std::max(inkBottom, j);
            }
        }
    }
    const float slant = 0.18f;
    const int left = centreX - fill.width / 2;
    const float middleRow = static_cast<float>(inkTop + inkBottom) * 0.5f;
    const auto unslant = [&](float x, float y) { return x + (y - middleRow) * slant; };
    render(
        canvas, 3,
        [&](float x, float y) {
            const float fy = y - static_cast<float>(top);
            const float fx = unslant(x - static_cast<float>(left), fy);
            Paint paint = {rgb8(255, 90, 60),
                           0.55f * glow.sample(fx + outline + pad, fy + outline + pad)};
            const float rim = edge.sample(fx + outline, fy + outline);
            paint = over({rgb8(28, 6, 30), rim}, paint);
            const float ink = fill.sample(fx, fy);
            if (ink > 0.0f) {
                const float t = clamp01((fy - static_cast<float>(inkTop)) /
                                        static_cast<float>(std::max(1, inkBottom - inkTop)));
                Colour c = t < 0.48f
                               ? ramp({rgb8(255, 250, 220), rgb8(255, 214, 90)}, t / 0.48f)
                               : ramp({rgb8(250, 150, 30), rgb8(210, 60, 16), rgb8(120, 16, 10)},
                                      (t - 0.48f) / 0.52f);
                // Bevel: brighter where the letter's edge faces the light.
                const float bevel =
                    fill.sample(fx - 1.0f, fy - 1.0f) - fill.sample(fx + 1.0f, fy + 1.0f);
                c = bevel > 0.0f ? mix(c, rgb8(255, 255, 240), bevel * 0.6f)
                                 : c * (1.0f + bevel * 0.45f);
                paint = over({c, ink}, paint);
            }
            return paint;
        },
        left - 40, top - 20, left + fill.width + 40, top + fill.height + 20);
}

} // namespace

// ---------------------------------------------------------------------------

Canvas drawBackground() {
    Canvas canvas(screenWidth, screenHeight);
    // Night sky, darkest at the top where the counters stand, with a faint
    // band of the galaxy across it.
    render(canvas, 2, [](float x, float y) {
        Colour c = ramp(
            {rgb8(2, 3, 12), rgb8(5, 7, 24), rgb8(10, 14, 42), rgb8(22, 24, 70), rgb8(52, 38, 104)},
            clamp01(y / 400.0f));
        const float band = std::exp(-std::pow((y - (330.0f - x * 0.38f)) / 80.0f, 2.0f));
        const float cloud = fractalNoise(x / 70.0f, y / 50.0f, 5, 61U);
        const float dust = fractalNoise(x / 25.0f, y / 18.0f, 4, 62U);
        c = c + rgb8(60, 44, 110) * (band * smoothstep(0.35f, 0.85f, cloud) * 0.55f);
        c = c * (1.0f - band * smoothstep(0.55f, 0.8f, dust) * 0.35f);
        // The panel of counters along the top.
        c = c * (0.55f + 0.45f * smoothstep(38.0f, 60.0f, y));
        return solid(c);
    });
    // No bright stars behind the counters, where they would fight the white
    // numbers.
    drawStars(canvas, scatterStars(7, 520, 90, 12, [](float, float y, int kind) {
                  return y > (kind == 2 ? 70.0f : 48.0f) ? 1.0f : 0.0f;
              }));
    render(
        canvas, 4, [](float x, float y) { return ringedPlanet(x, y, 548.0f, 138.0f, 36.0f); }, 460,
        80, 639, 200);
    render(
        canvas, 4, [](float x, float y) { return moon(x, y, 96.0f, 104.0f, 9.0f); }, 80, 90, 112,
        120);
    render(canvas, 2, mountainPaint, 0, 280, screenWidth, screenHeight);

    // The counters' panel: a thin line under it, brightest in the middle.
    for (int x = 0; x < screenWidth; ++x) {
        const float fade = std::sin(pi * static_cast<float>(x) / static_cast<float>(screenWidth));
        canvas.blend(x, 45, {rgb8(130, 120, 220), 0.55f * fade});
        canvas.blend(x, 46, {rgb8(40, 30, 90), 0.5f * fade});
    }
    // Each caption stands above its number, left-aligned with it.
    const Colour captionColour = rgb8(176, 186, 236);
    drawCaption(canvas, "Score", 11, 41, 5, captionColour);
    drawCaption(canvas, "Spores", 11, 149, 5, captionColour);
    drawCaption(canvas, "Plantes", 11, 336, 5, captionColour);
    drawCaption(canvas, "Vaisseaux", 11, 522, 5, captionColour);
    return canvas;
}

Canvas drawTitle() {
    Canvas canvas(screenWidth, screenHeight);
    // Alien sky: violet above, a dark teal middle where the screens' texts
    // are written, a magenta glow over the horizon, and an aurora.
    render(canvas, 2, [](float x, float y) {
        Colour c = ramp({rgb8(24, 6, 40), rgb8(14, 12, 40), rgb8(6, 20, 34), rgb8(8, 22, 38),
                         rgb8(40, 16, 60), rgb8(96, 24, 86)},
                        clamp01(y / 440.0f));
        const float curtain =
            std::exp(-std::pow((y - 70.0f - 30.0f * std::sin(x / 90.0f)) / 45.0f, 2.0f));
        const float streaks = fractalNoise(x / 7.0f, y / 160.0f, 3, 201U);
        c = c + rgb8(40, 150, 130) * (curtain * smoothstep(0.45f, 0.9f, streaks) * 0.45f);
        return solid(c);
    });
    drawStars(canvas, scatterStars(11, 360, 50, 8, [](float x, float y, int kind) {
                  // Only faint stars, dimmer still, behind the texts.
                  const bool text = x > 150.0f && x < 610.0f && y > 150.0f && y < 390.0f;
                  if (y > 380.0f || (text && kind > 0)) {
                      return 0.0f;
                  }
                  return text ? 0.5f : 1.0f;
              }));
    // A huge planet rising on the left, lit from the right.
    render(
        canvas, 3,
        [](float x, float y) {
            const float cx = -70.0f;
            const float cy = 300.0f;
            const float radius = 200.0f;
            const float d = vectorLength(x - cx, y - cy) / radius;
            if (d > 1.0f) {
                return clear();
            }
            const float nx = (x - cx) / radius;
            const float ny = (y - cy) / radius;
            const float nz = std::sqrt(std::max(0.0f, 1.0f - d * d));
            const float light = clamp01(0.8f * nx - 0.4f * ny + 0.3f * nz);
            const float swirl = fractalNoise(x / 40.0f, y / 12.0f, 4, 211U);
            const float bands = 0.5f + 0.5f * std::sin(ny * 14.0f + swirl * 3.0f);
            Colour c = ramp({rgb8(8, 34, 44), rgb8(18, 66, 76), rgb8(52, 122, 122)}, bands);
            c = c * (0.06f + 0.8f * light);
            c = mix(c, rgb8(170, 230, 220), smoothstep(0.95f, 1.0f, d) * light);
            return solid(c);
        },
        0, 90, 140, 479);
    // Alien spires on the horizon, with a magenta rim light.
    render(
        canvas, 3,
        [](float x, float y) {
            // Lower behind the texts, taller towards the edges.
            const float edge = std::pow(std::fabs(x - 380.0f) / 300.0f, 2.0f);
            const float crest = 414.0f -
                                (25.0f + 50.0f * edge) * std::pow(ridge(x / 60.0f, 221U), 3.0f) -
                                12.0f * ridge(x / 20.0f, 223U);
            if (y < crest) {
                return clear();
            }
            Colour c = mix(rgb8(40, 14, 56), rgb8(12, 6, 22), clamp01((y - crest) / 40.0f));
            if (y - crest < 1.5f) {
                c = rgb8(170, 60, 150);
            }
            return solid(c);
        },
        0, 300, screenWidth, screenHeight);
    // A glow of the city's lights around the dome, then the dome itself.
    render(
        canvas, 2,
        [](float x, float y) {
            const float d = vectorLength((x - 319.0f) / 190.0f, (y - 450.0f) / 110.0f);
            return Paint{rgb8(90, 150, 255), 0.35f * std::max(0.0f, 1.0f - d)};
        },
        100, 330, 540, 479);
    // Ground in front of the hills.
    render(
        canvas, 3,
        [](float x, float y) {
            const float ground = 458.0f + 4.0f * fractalNoise(x / 16.0f, 0.7f, 3, 231U);
            if (y < ground) {
                return clear();
            }
            Colour soil = mix(rgb8(30, 14, 34), rgb8(10, 6, 14), clamp01((y - ground) / 18.0f));
            if (y - ground < 1.0f) {
                soil = rgb8(110, 50, 110);
            }
            return solid(soil);
        },
        0, 440, screenWidth, screenHeight);
    render(
        canvas, 4, [](float x, float y) { return basePaint(x - 167.0f, y - 376.0f, false); }, 167,
        376, 470, 479);
    // Plants closing in on the dome along the ground from both sides, cell
    // by cell as they grow in play, one already climbing its wall.
    const Canvas vine = drawVine();
    const Canvas pod = drawSeedPod();
    const auto plant = [&canvas](const Canvas& cell, int left, int top) {
        for (int j = 0; j < cell.height(); ++j) {
            for (int i = 0; i < cell.width(); ++i) {
                const Paint p = cell.get(i, j);
                if (p.alpha >= 0.45f) {
                    canvas.set(left + i, top + j, solid(p.colour));
                }
            }
        }
    };
    for (int left = 8; left <= 120; left += 16) {
        plant(left == 56 ? pod : vine, left, 464);
    }
    for (int left = 488; left <= 616; left += 16) {
        plant(left == 568 ? pod : vine, left, 464);
    }
    plant(vine, 136, 464);
    plant(vine, 152, 464);
    plant(vine, 152, 448);
    plant(vine, 472, 464);
    plant(vine, 472, 448);
    plant(vine, 472, 432);
    // Spores drifting down with faint trails.
    struct Falling {
        float x, y, radius;
    };
    const Falling spores[] = {
        {96.0f, 178.0f, 8.0f},  {44.0f, 318.0f, 6.0f},  {128.0f, 120.0f, 5.0f},
        {622.0f, 230.0f, 7.0f}, {618.0f, 340.0f, 5.0f}, {250.0f, 140.0f, 4.5f},
        {470.0f, 138.0f, 5.0f}, {140.0f, 396.0f, 6.0f}, {500.0f, 408.0f, 5.0f}};
    for (const Falling& s : spores) {
        render(
            canvas, 4,
            [s](float x, float y) {
                const float dx = x - s.x;
                const float above = s.y - y;
                Paint paint = clear();
                if (above > 0.0f && above < s.radius * 5.0f && std::fabs(dx) < s.radius * 0.7f) {
                    const float fade = 1.0f - above / (s.radius * 5.0f);
                    paint = {rgb8(120, 220, 90),
                             0.35f * fade * (1.0f - std::fabs(dx) / (s.radius * 0.7f))};
                }
                const Paint ball = sporePaint(x, y, s.x, s.y, s.radius);
                return ball.alpha > 0.0f ? ball : paint;
            },
            static_cast<int>(s.x - s.radius - 2), static_cast<int>(s.y - s.radius * 5 - 2),
            static_cast<int>(s.x + s.radius + 3), static_cast<int>(s.y + s.radius + 3));
    }
    // The sower, larger than in play, and the ship climbing to meet it.
    render(
        canvas, 4,
        [](float x, float y) {
            return sowerPaint((x - 598.0f) / 1.15f + 23.5f, (y - 134.0f) / 1.15f + 23.5f, 1);
        },
        568, 104, 629, 165);
    render(
        canvas, 6,
        [](float x, float y) {
            return shipPaint((x - 92.0f) / 1.3f + 23.5f, (y - 420.0f) / 1.3f + 23.5f, 140.0f);
        },
        60, 388, 124, 452);
    for (int i = 0; i < 2; ++i) {
        const float sx = 92.0f + 38.0f * static_cast<float>(i + 1) * std::cos(pi * 40.0f / 180.0f);
        const float sy = 420.0f - 38.0f * static_cast<float>(i + 1) * std::sin(pi * 40.0f / 180.0f);
        render(
            canvas, 4,
            [sx, sy](float x, float y) {
                const float d = vectorLength(x - sx, y - sy);
                if (d < 1.6f) {
                    return solid(rgb8(120, 230, 240));
                }
                if (d < 3.2f) {
                    return solid(rgb8(255, 226, 70));
                }
                return clear();
            },
            static_cast<int>(sx) - 5, static_cast<int>(sy) - 5, static_cast<int>(sx) + 6,
            static_cast<int>(sy) + 6);
    }
    // Darken the area where the screens write their white texts.
    render(
        canvas, 1,
        [](float x, float y) {
            const float inset = std::min({x - 150.0f, 610.0f - x, y - 150.0f, 388.0f - y});
            return Paint{rgb8(4, 2, 12), 0.45f * smoothstep(0.0f, 24.0f, inset)};
        },
        150, 150, 610, 388);
    drawLogo(canvas, "Quorvelindaxtor", 58, 320, 34);
    return canvas;
}

} // namespace sheet
