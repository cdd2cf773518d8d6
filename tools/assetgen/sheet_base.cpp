// The base: a city of towers under a terraced blue glass dome, and the same
// city in ruins, overgrown by dark plants. Its outline is the base's six
// hit steps, so spores, plants and the ship meet it where the game stops
// them: the picture is drawn at (167, 376), and the steps' screen columns
// and rows less that corner give the terraces below.
#include "sheet_draw.h"

namespace sheet {

namespace {

// One terrace of the outline, in the picture's pixel units; right and bottom
// are exclusive. Tier 0 is the foundation wall (the two lowest steps, equal
// in width), tiers 1 to 4 the glass drums.
struct Tier {
    float left;
    float right;
    float top;
    float bottom;
};

const Tier tiers[5] = {{1.0f, 302.0f, 72.0f, 102.0f},
                       {17.0f, 289.0f, 56.0f, 72.0f},
                       {33.0f, 273.0f, 40.0f, 56.0f},
                       {49.0f, 257.0f, 24.0f, 40.0f},
                       {81.0f, 225.0f, 8.0f, 24.0f}};

constexpr float middle = 152.5f;

// The tier whose box holds the point, -1 outside the outline. The outer top
// corners are rounded a little (the cupola more), which softens the steps
// without moving them.
int tierAt(float x, float y) {
    for (int k = 0; k < 5; ++k) {
        const Tier& t = tiers[k];
        if (x < t.left || x >= t.right || y < t.top || y >= t.bottom) {
            continue;
        }
        const float round = k == 4 ? 7.0f : (k == 0 ? 2.0f : 3.0f);
        const float cx = x < middle ? t.left + round : t.right - round;
        const float cy = t.top + round;
        const bool corner = (x < middle ? x < cx : x > cx) && y < cy;
        if (corner && vectorLength(x - cx, y - cy) > round) {
            return -1;
        }
        return k;
    }
    return -1;
}

// The highest row of the outline above column x.
float ceilingAt(float x) {
    for (int k = 4; k >= 0; --k) {
        if (x >= tiers[k].left && x < tiers[k].right) {
            return tiers[k].top;
        }
    }
    return 102.0f;
}

struct Tower {
    float left;
    float right;
    float top;
    bool front;
    uint32_t seed;
};

// The city's skyline: a tall spire in the middle, lower towers outwards,
// each kept inside the glass above it.
const std::vector<Tower>& towers() {
    static const std::vector<Tower> list = [] {
        std::vector<Tower> out;
        Chance chance(2024);
        for (int layer = 0; layer < 2; ++layer) {
            const int count = layer == 0 ? 22 : 15;
            for (int i = 0; i < count; ++i) {
                const float centre = chance.between(22.0f, 283.0f);
                const float width =
                    chance.between(layer == 0 ? 7.0f : 6.0f, layer == 0 ? 13.0f : 11.0f);
                const float left = centre - width * 0.5f;
                const float right = centre + width * 0.5f;
                const float roof = std::max(ceilingAt(left), ceilingAt(right));
                const float side = std::fabs(centre - middle) / 140.0f;
                const float top = roof + 3.0f + chance.between(0.0f, 10.0f) + side * 8.0f +
                                  (layer == 1 ? 6.0f : 0.0f);
                out.push_back({left, right, std::min(top, 66.0f), layer == 1,
                               static_cast<uint32_t>(layer * 100 + i)});
            }
        }
        // The central spire and its two companions.
        out.push_back({146.0f, 159.0f, 12.0f, true, 900U});
        out.push_back({131.0f, 141.0f, 20.0f, true, 901U});
        out.push_back({164.0f, 174.0f, 18.0f, true, 902U});
        return out;
    }();
    return list;
}

// A tower's face with its grid of windows; lit says how many windows burn.
Colour towerColour(const Tower& t, float x, float y, float lit, bool ruined) {
    const float across = (x - t.left) / (t.right - t.left);
    // Lit from the left: the left face bright, the right face in shade.
    Colour c = t.front ? rgb8(120, 130, 156) : rgb8(70, 80, 112);
    c = c * (1.08f - 0.5f * across);
    if (y < t.top + 1.0f) {
        c = c * 1.25f; // roof edge
    }
    const int col = static_cast<int>(std::floor(x - t.left));
    const int row = static_cast<int>(std::floor(y - t.top));
    if (col % 3 == 1 && row % 3 == 2 && x < t.right - 1.0f) {
        const float h = hashUnit(col + static_cast<int>(t.seed) * 31, row, 77U);
        if (h < lit) {
            c = ruined ? rgb8(170, 70, 20) : mix(rgb8(255, 214, 110), rgb8(255, 244, 200), h);
        } else {
            c = c * 0.55f;
        }
    }
    return c;
}

// Dark leaves of the plants that overran the ruins: a mass of small leaves,
// each cell of the texture holding one.
Paint foliage(float x, float y) {
    const float cell = 3.5f;
    const int ci = static_cast<int>(std::floor(x / cell));
    const int cj = static_cast<int>(std::floor(y / cell));
    float best = 1e9f;
    float shade = 0.0f;
    for (int j = cj - 1; j <= cj + 1; ++j) {
        for (int i = ci - 1; i <= ci + 1; ++i) {
            const float lx = (static_cast<float>(i) + hashUnit(i, j, 5U)) * cell;
            const float ly = (static_cast<float>(j) + hashUnit(i, j, 6U)) * cell;
            const float angle = hashUnit(i, j, 7U) * 3.14159265f;
            const float c = std::cos(angle);
            const float s = std::sin(angle);
            const float u = (x - lx) * c + (y - ly) * s;
            const float v = -(x - lx) * s + (y - ly) * c;
            const float d = ellipseDistance(u, v, 0.0f, 0.0f, 2.6f, 1.3f);
            if (d < best) {
                best = d;
                shade = clamp01(0.5f - v / 2.6f) * (0.6f + 0.4f * hashUnit(i, j, 8U));
            }
        }
    }
    if (best > 0.0f) {
        return solid(rgb8(6, 26, 8));
    }
    return solid(ramp({rgb8(8, 34, 10), rgb8(18, 66, 18), rgb8(48, 112, 34)}, shade));
}

// Where the plants have overrun the ruins: creeping up the wall from the
// ground, draped over the terrace bands and clumped in the corners.
bool overgrown(float x, float y) {
    const float n = fractalNoise(x / 9.0f, y / 7.0f, 3, 4711U);
    // Up the wall from the ground.
    if (y > 101.0f - 26.0f * fractalNoise(x / 13.0f, 0.5f, 2, 4712U) * (0.6f + n)) {
        return true;
    }
    // Hanging from each terrace band.
    for (int k = 0; k < 4; ++k) {
        const Tier& t = tiers[k];
        if (x < t.left || x >= t.right) {
            continue;
        }
        const float hang =
            12.0f * fractalNoise(x / 7.0f, static_cast<float>(k) * 3.0f, 2, 4713U) - 3.0f;
        if (y >= t.top - 3.0f && y < t.top + hang * (0.4f + n)) {
            return true;
        }
    }
    return n > 0.74f;
}

// The wall's two rows of windows: the window's number along the row, or -1
// between windows.
int wallWindow(float x, float y) {
    const int col = static_cast<int>(std::floor(x));
    const int row = static_cast<int>(std::floor(y));
    const bool windowRow = row == 80 || row == 81 || row == 94 || row == 95;
    if (!windowRow || col % 6 >= 2 || std::fmod(x + 3.0f, 24.0f) < 3.0f) {
        return -1;
    }
    return col / 6 + (row > 90 ? 1000 : 0);
}

// The great gate in the middle of the wall: below 0 inside its arch, a
// little above 0 on its frame.
float gateDistance(float x, float y) {
    const float sides = std::fabs(x - middle) - 12.0f;
    if (y > 88.0f) {
        return std::max(sides, 82.0f - y);
    }
    return vectorLength(x - middle, y - 88.0f) - 12.0f;
}

Paint intactBase(float x, float y) {
    const int tier = tierAt(x, y);
    if (tier < 0) {
        return clear();
    }
    if (tier == 0) {
        // The foundation wall: a curved ring of steel, lit from the left.
        const float u = (x - middle) / 151.0f;
        Colour c = rgb8(76, 84, 104) * (0.85f - 0.35f * u - 0.25f * u * u);
        const float panel = std::fmod(x + 3.0f, 24.0f);
        if (y < 75.0f) {
            c = mix(rgb8(196, 204, 218), rgb8(120, 128, 146), (y - 72.0f) / 3.0f);
        } else if (std::fabs(y - 88.5f) < 0.8f) {
            c = rgb8(130, 138, 158);
        } else if (panel < 2.0f) {
            c = c * (panel < 1.0f ? 1.35f : 0.7f); // ribs, lit on their left
        }
        // The wall's foot in the shadow of the ground.
        c = c * (1.0f - 0.35f * smoothstep(92.0f, 102.0f, y));
        const int window = wallWindow(x, y);
        if (window >= 0) {
            c = hashUnit(window, 0, 31U) < 0.7f ? rgb8(255, 220, 120) : rgb8(40, 46, 60);
        }
        // The great gate, glowing, in its frame.
        const float gate = gateDistance(x, y);
        if (gate < 0.0f) {
            const float glow = clamp01((y - 80.0f) / 22.0f);
            c = mix(rgb8(120, 190, 250), rgb8(230, 246, 255), glow);
            if (std::fmod(x - middle + 30.0f, 6.0f) < 1.0f) {
                c = rgb8(70, 110, 170);
            }
        } else if (gate < 1.5f) {
            c = rgb8(200, 208, 222);
        }
        // Beacon lights at both ends of the wall.
        if (circleDistance(x, y, 6.0f, 77.5f, 1.4f) < 0.0f ||
            circleDistance(x, y, 297.0f, 77.5f, 1.4f) < 0.0f) {
            c = rgb8(255, 70, 50);
        }
        return solid(c);
    }

    const Tier& t = tiers[tier];
    // Inside: the night of the city, lit from below.
    Colour c = mix(rgb8(10, 18, 48), rgb8(30, 50, 100), clamp01((y - 8.0f) / 70.0f));
    for (const Tower& tw : towers()) {
        if (x >= tw.left && x < tw.right && y >= tw.top) {
            c = towerColour(tw, x, y, tw.front ? 0.55f : 0.4f, false);
            if (!tw.front) {
                c = mix(c, rgb8(30, 50, 100), 0.3f);
            }
        }
        // Red warning lights on the roofs of the front towers.
        if (tw.front &&
            circleDistance(x, y, (tw.left + tw.right) * 0.5f, tw.top - 1.0f, 0.9f) < 0.0f) {
            c = rgb8(255, 60, 40);
        }
    }
    // The spire's mast.
    if (std::fabs(x - middle) < 0.8f && y >= 9.5f && y < 12.0f) {
        c = rgb8(200, 210, 230);
    }
    // The glass: a blue tint, a drum's shading and a highlight on the left.
    const float half = (t.right - t.left) * 0.5f;
    const float u = (x - (t.left + half)) / half;
    const float facing = std::sqrt(std::max(0.0f, 1.0f - u * u));
    c = mix(c, rgb8(50, 110, 220), 0.3f);
    c = c * (0.7f + 0.35f * facing);
    const float shine = std::exp(-std::pow((u + 0.55f) / 0.12f, 2.0f));
    c = mix(c, rgb8(200, 228, 255), shine * 0.45f);
    // Reflected streaks across the glass.
    const float streak = std::fmod(x * 0.8f + y * 1.1f + 400.0f, 46.0f);
    if (streak < 3.0f) {
        c = mix(c, rgb8(170, 210, 250), 0.22f);
    }
    // Frame: mullions spaced as on a drum seen from the side, the rim at
    // the top of the glass and the terrace band at its foot.
    const float angle = std::asin(std::max(-1.0f, std::min(1.0f, u)));
    const float ribs = std::fabs(std::remainder(angle, 0.26f)) * half;
    if (ribs < 0.55f) {
        c = mix(rgb8(150, 180, 220), rgb8(90, 110, 150), clamp01(u * 0.5f + 0.5f));
    }
    if (y < t.top + 1.2f) {
        c = rgb8(210, 230, 250);
    }
    if (y >= t.bottom - 2.0f) {
        c = mix(rgb8(190, 198, 214), rgb8(110, 118, 138), (y - (t.bottom - 2.0f)) / 2.0f);
    }
    return solid(c);
}

Paint ruinedBase(float x, float y) {
    const int tier = tierAt(x, y);
    if (tier < 0) {
        return clear();
    }
    if (tier == 0) {
        // The wall stands, cracked and scorched, its top torn away in places.
        const float bite = fractalNoise(x / 9.0f, 1.5f, 2, 99U);
        if (y < 72.0f + std::max(0.0f, (bite - 0.55f) * 30.0f)) {
            return clear();
        }
        if (overgrown(x, y)) {
            return foliage(x, y);
        }
        const float u = (x - middle) / 151.0f;
        Colour c = rgb8(70, 74, 88) * (0.85f - 0.35f * u - 0.25f * u * u);
        if (y < 75.0f) {
            c = rgb8(130, 132, 140);
        } else if (std::fmod(x + 3.0f, 24.0f) < 2.0f) {
            c = c * 1.25f;
        }
        const float scorch = fractalNoise(x / 12.0f, y / 8.0f, 3, 123U);
        c = c * (0.45f + 0.7f * scorch);
        const float crack = std::fabs(fractalNoise(x / 14.0f, y / 30.0f, 3, 321U) - 0.5f);
        if (crack < 0.02f) {
            c = rgb8(12, 10, 12);
        }
        // Dead windows, a few still burning inside; the gate a dark hole.
        const int window = wallWindow(x, y);
        if (window >= 0) {
            c = hashUnit(window, 0, 31U) < 0.08f ? rgb8(230, 110, 30) : rgb8(20, 20, 26);
        }
        if (gateDistance(x, y) < 0.0f) {
            c = rgb8(14, 12, 16);
        }
        return solid(c);
    }

    const Tier& t = tiers[tier];
    if (overgrown(x, y)) {
        return foliage(x, y);
    }
    const float height = t.bottom - t.top;
    // Gaping holes where whole panes fell in, near the top of each drum.
    const float hole = fractalNoise(x / 10.0f, y / 6.0f, 2, 605U + static_cast<uint32_t>(tier));
    if (hole > 0.66f && y < t.top + height * 0.6f) {
        return clear();
    }
    // The scorched inside of the city.
    Colour c = mix(rgb8(14, 14, 22), rgb8(36, 30, 38), fractalNoise(x / 8.0f, y / 8.0f, 3, 604U));
    // What is left of the towers: broken stumps with jagged tops.
    for (const Tower& tw : towers()) {
        const float broken =
            tw.top + 6.0f + 18.0f * fractalNoise(x / 3.0f, static_cast<float>(tw.seed), 2, 55U);
        if (x >= tw.left && x < tw.right && y >= std::min(broken, 66.0f)) {
            c = towerColour(tw, x, y, 0.03f, true) * 0.75f;
            c = c * (0.55f + 0.55f * fractalNoise(x / 5.0f, y / 5.0f, 2, tw.seed));
        }
    }
    // A few panes of glass still in place, cracked, their broken edges
    // catching the light.
    const float pane = fractalNoise(x / 9.0f, y / 7.0f, 2, 606U + static_cast<uint32_t>(tier));
    if (pane > 0.58f) {
        c = mix(c, rgb8(60, 110, 200), 0.4f);
        const float crack = std::fabs(fractalNoise(x / 6.0f, y / 6.0f, 3, 608U) - 0.5f);
        if (crack < 0.02f || pane < 0.6f) {
            c = rgb8(130, 170, 220);
        }
    }
    // The frame: most ribs and the rims still stand, some torn off.
    const float half = (t.right - t.left) * 0.5f;
    const float u = (x - (t.left + half)) / half;
    const float angle = std::asin(std::max(-1.0f, std::min(1.0f, u)));
    const int rib = static_cast<int>(std::round(angle / 0.26f));
    const float ribX = t.left + half + std::sin(static_cast<float>(rib) * 0.26f) * half;
    if (std::fabs(x - ribX) < 0.6f && hashUnit(rib, tier, 17U) < 0.75f &&
        y > t.top + height * 0.9f * hashUnit(rib, tier, 18U) * hashUnit(rib, tier, 19U)) {
        c = rgb8(110, 118, 138);
    }
    if (y < t.top + 1.2f && fractalNoise(x / 6.0f, static_cast<float>(tier), 2, 910U) > 0.38f) {
        c = rgb8(140, 148, 164);
    }
    if (y >= t.bottom - 2.0f && fractalNoise(x / 7.0f, static_cast<float>(tier), 2, 909U) > 0.25f) {
        c = mix(rgb8(150, 154, 166), rgb8(80, 84, 98), (y - (t.bottom - 2.0f)) / 2.0f);
    }
    Paint paint = solid(c);
    // Creepers climbing the stumps.
    for (int v = 0; v < 7; ++v) {
        const float rootX = 30.0f + 40.0f * static_cast<float>(v) + 6.0f * hashUnit(v, 0, 3U);
        const float vx =
            rootX + 4.0f * std::sin(y / (5.0f + static_cast<float>(v)) + static_cast<float>(v));
        if (std::fabs(x - vx) < 1.2f && y > ceilingAt(rootX) + 6.0f + 10.0f * hashUnit(v, 1, 3U)) {
            paint = solid(mix(rgb8(12, 46, 12), rgb8(36, 90, 26), clamp01(0.5f - (x - vx))));
        }
    }
    return paint;
}

} // namespace

Paint basePaint(float x, float y, bool ruined) {
    return ruined ? ruinedBase(x, y) : intactBase(x, y);
}

Canvas drawBase(bool ruined) {
    Canvas canvas(303, 103);
    render(canvas, 4, [ruined](float x, float y) { return basePaint(x, y, ruined); });
    return canvas;
}

} // namespace sheet
