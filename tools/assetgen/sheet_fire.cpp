// Fire: the small explosion of every kill and the large one of the falling
// base. Both are built from billowing puffs whose heat picks the colour.
#include "sheet_draw.h"

namespace sheet {

namespace {

constexpr float pi = 3.14159265f;

// Colour of fire by heat: 1 white-hot, then yellow, orange, red, dark red,
// and at the bottom brown smoke.
Colour fireColour(float heat) {
    static const std::vector<Colour> stops = {
        rgb8(36, 26, 22),   rgb8(70, 48, 34),    rgb8(104, 30, 14),
        rgb8(170, 40, 10),  rgb8(226, 88, 14),   rgb8(252, 150, 26),
        rgb8(255, 208, 70), rgb8(255, 242, 160), rgb8(255, 254, 236)};
    return ramp(stops, heat);
}

// One ball of flame or smoke.
struct Puff {
    float x;
    float y;
    float radius;
    float heat;  // 0..1 at the puff's middle
    float thin;  // 0 solid, towards 1 torn apart as the smoke clears
    float scale; // size of the billows
    uint32_t seed;
};

// The heat and coverage at a point, over every puff: the hottest wins.
// smoky > 0 turns the parts cooler than that into smoke lit from above,
// grey or brown.
Paint cloudPaint(const std::vector<Puff>& puffs, float x, float y, float time, float smoky = 0.0f,
                 bool brown = false) {
    bool covered = false;
    float bestHeat = -1.0f;
    float light = 0.0f;
    // Puffs that share their billows' size and seed share the noise, which
    // is then worked out once per point.
    float noiseScale = 0.0f;
    uint32_t noiseSeed = 0;
    float n = 0.0f;
    float tear = 0.0f;
    for (const Puff& p : puffs) {
        const float dx = x - p.x;
        const float dy = y - p.y;
        const float dist = vectorLength(dx, dy);
        if (dist > p.radius * 1.22f) {
            continue;
        }
        if (p.scale != noiseScale || p.seed != noiseSeed) {
            noiseScale = p.scale;
            noiseSeed = p.seed;
            n = fractalNoise(x / p.scale + time * 0.21f, y / p.scale - time * 0.37f, 3, p.seed);
            // Torn smoke: holes open where a second noise is low.
            tear = fractalNoise(x / (p.scale * 0.7f) + 3.1f, y / (p.scale * 0.7f) + time * 0.5f, 2,
                                p.seed + 77U);
        }
        const float edge = p.radius * (0.72f + 0.5f * n);
        if (dist >= edge) {
            continue;
        }
        const float r = dist / edge;
        if (tear < p.thin * (0.55f + 0.6f * r)) {
            continue;
        }
        covered = true;
        const float heat = p.heat * (1.0f - 0.55f * r * r) * (0.72f + 0.56f * n);
        if (heat > bestHeat) {
            bestHeat = heat;
            // Billows catch the light on their upper side.
            light = clamp01(0.55f - dy / (edge * 1.6f) + (n - 0.5f) * 0.9f);
        }
    }
    if (!covered) {
        return clear();
    }
    const float heat = clamp01(bestHeat);
    if (smoky > 0.0f && heat < smoky) {
        const Colour smoke =
            brown
                ? ramp({rgb8(36, 20, 14), rgb8(74, 44, 26), rgb8(116, 74, 44), rgb8(150, 104, 66)},
                       light)
                : ramp(
                      {rgb8(34, 30, 30), rgb8(70, 62, 58), rgb8(118, 106, 96), rgb8(150, 138, 124)},
                      light);
        return solid(mix(smoke, fireColour(smoky), std::pow(heat / smoky, 2.0f)));
    }
    return solid(fireColour(heat));
}

// Bright rays of the first spark.
float rayGlow(float x, float y, float cx, float cy, float length, int count, float turn) {
    const float dx = x - cx;
    const float dy = y - cy;
    const float dist = vectorLength(dx, dy);
    if (dist > length) {
        return 0.0f;
    }
    const float angle = std::atan2(dy, dx) + turn;
    const float sector = 2.0f * pi / static_cast<float>(count);
    const float offset = std::fabs(std::remainder(angle, sector)) * dist;
    const float width = 0.9f * (1.0f - dist / length) + 0.15f;
    return offset < width ? 1.0f - dist / length : 0.0f;
}

// Small glowing bits: debris, fragments, embers.
struct Spark {
    float x;
    float y;
    float radius;
    Colour colour;
};

// The last spark covering the point, over the given paint.
Paint sparkPaint(const std::vector<Spark>& sparks, float x, float y, Paint paint) {
    for (const Spark& s : sparks) {
        const float dx = x - s.x;
        const float dy = y - s.y;
        if (dx * dx + dy * dy < s.radius * s.radius) {
            paint = solid(s.colour);
        }
    }
    return paint;
}

// Top edge of the base's stepped outline at column x of the fall's frame,
// or a large value beside the base.
float baseTopAt(float x) {
    const float bx = x - 12.0f;
    const float steps[5][3] = {
        {81, 224, 8}, {49, 256, 24}, {33, 272, 40}, {17, 288, 56}, {1, 304, 72}};
    for (const auto& step : steps) {
        if (bx >= step[0] && bx <= step[1]) {
            return step[2] + 21.0f;
        }
    }
    return 1000.0f;
}

} // namespace

Canvas drawExplosionFrame(int frame) {
    // Radius, heat and tearing of the fireball, frame by frame.
    static const float radius[14] = {2.5f,  5.0f,  8.5f,  12.0f, 15.0f, 17.0f, 18.5f,
                                     19.5f, 20.0f, 19.5f, 18.0f, 15.0f, 11.0f, 7.0f};
    static const float heat[14] = {1.2f,  1.2f,  1.15f, 1.05f, 0.95f, 0.82f, 0.7f,
                                   0.58f, 0.47f, 0.38f, 0.3f,  0.24f, 0.2f,  0.16f};
    static const float thin[14] = {0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,  0.05f,
                                   0.12f, 0.22f, 0.34f, 0.46f, 0.58f, 0.68f, 0.78f};
    const float c = 23.5f;
    const float t = static_cast<float>(frame);
    std::vector<Puff> puffs = {{c, c, radius[frame], heat[frame], thin[frame], 5.5f, 11U}};
    // Side billows from the fourth frame on make the cloud lumpy.
    if (frame >= 3) {
        Chance chance(4242);
        for (int i = 0; i < 5; ++i) {
            const float angle = chance.between(0.0f, 2.0f * pi);
            const float reach = radius[frame] * 0.45f;
            puffs.push_back({c + std::cos(angle) * reach, c + std::sin(angle) * reach - t * 0.15f,
                             radius[frame] * 0.55f, heat[frame] * 0.9f, thin[frame], 4.0f,
                             100U + static_cast<uint32_t>(i)});
        }
    }
    // Glowing debris thrown out as the cloud burns down.
    std::vector<Spark> debris;
    Chance chance(977);
    for (int i = 0; i < 11; ++i) {
        const float angle = chance.between(0.0f, 2.0f * pi);
        const float speed = chance.between(1.6f, 2.5f);
        const float size = chance.between(0.9f, 1.5f);
        const float travel = 9.0f + speed * (t - 6.0f) * 1.6f;
        if (frame >= 6 && travel <= 21.0f) {
            debris.push_back({c + std::cos(angle) * travel, c + std::sin(angle) * travel,
                              size * (1.0f - (t - 6.0f) * 0.06f),
                              fireColour(0.5f - (t - 6.0f) * 0.045f)});
        }
    }

    Canvas canvas(47, 47);
    render(canvas, 4, [&](float x, float y) {
        if (frame <= 2) {
            const float glow = std::max(rayGlow(x, y, c, c, 4.0f + 4.5f * t, 4, 0.0f),
                                        rayGlow(x, y, c, c, 2.5f + 3.0f * t, 4, pi / 4.0f));
            if (glow > 0.0f) {
                return solid(fireColour(0.55f + 0.5f * glow));
            }
        }
        return sparkPaint(debris, x, y, cloudPaint(puffs, x, y, t, 0.3f, true));
    });
    return canvas;
}

Canvas drawBaseFallFrame(int frame) {
    // The dome's middle in the frame's shown area: the base picture lies
    // 12 pixels right of and 21 below the explosion's corner.
    const float cx = 12.0f + 152.0f;
    const float cy = 21.0f + 52.0f;
    const float t = static_cast<float>(frame);
    std::vector<Puff> puffs;

    // The first flash over the dome.
    if (frame <= 2) {
        puffs.push_back({cx, cy - 2.0f, 38.0f + 10.0f * t, 1.5f - 0.3f * t, 0.0f, 12.0f, 400U});
    }
    // The blasts that run through the city, the middle first and the
    // edges later: positions, delays and sizes come from a fixed sequence
    // so every run draws the same fall.
    Chance chance(31337);
    for (int i = 0; i < 32; ++i) {
        const float px = chance.between(24.0f, 300.0f);
        const float top = std::min(baseTopAt(px), 100.0f);
        const float py = chance.between(top + 2.0f, 116.0f);
        const float side = std::fabs(px - cx) / 150.0f;
        const float start = 0.4f + 2.6f * side + chance.between(0.0f, 1.2f);
        const float size = chance.between(22.0f, 34.0f) * (1.15f - 0.4f * side);
        const float age = t - start;
        if (age < 0.0f) {
            continue;
        }
        const float grow = 1.0f - std::exp(-age * 0.9f);
        const float radius = size * (0.3f + 0.8f * grow);
        // Heat falls as the blast ages; the smoke rises and tears apart.
        const float hot = std::max(0.0f, 1.2f - age * 0.15f);
        const float rise = std::max(0.0f, age - 1.5f) * 2.6f;
        const float thinness = clamp01((t - 7.0f) * 0.13f) + clamp01((age - 6.0f) * 0.04f);
        puffs.push_back({px, py - rise, radius, hot, thinness, 9.0f, 500U});
    }

    // Burning pieces of the dome thrown up and falling back, and embers
    // glowing in the ruins as the smoke clears.
    std::vector<Spark> sparks;
    const float a = t - 1.0f;
    for (int i = 0; i < 26; ++i) {
        const float angle = chance.between(pi * 1.08f, pi * 1.92f);
        const float speed = chance.between(6.0f, 11.0f);
        const float size = chance.between(1.0f, 2.0f);
        if (frame >= 1 && frame <= 10) {
            sparks.push_back({cx + std::cos(angle) * speed * a * 1.5f,
                              cy + std::sin(angle) * speed * a + 1.1f * a * a, size,
                              fireColour(0.68f - a * 0.04f)});
        }
    }
    for (int i = 0; i < 40; ++i) {
        const float ex = chance.between(30.0f, 296.0f);
        const float ey = chance.between(std::min(baseTopAt(ex), 100.0f) + 4.0f, 118.0f);
        if (frame >= 8) {
            sparks.push_back({ex, ey, 1.1f, fireColour(0.5f - (t - 8.0f) * 0.04f)});
        }
    }

    Canvas canvas(323, 123);
    render(canvas, 3, [&](float x, float y) {
        Paint paint = cloudPaint(puffs, x, y, t, 0.32f);
        if (frame == 0) {
            const float glow = rayGlow(x, y, cx, cy - 2.0f, 74.0f, 10, 0.2f);
            if (glow > 0.0f && paint.alpha == 0.0f) {
                paint = solid(fireColour(0.6f + 0.4f * glow));
            }
        }
        return sparkPaint(sparks, x, y, paint);
    });
    return canvas;
}

} // namespace sheet
