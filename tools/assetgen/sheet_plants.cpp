// The small sprites: the spore, the plant's seed pod and vine cell, and the
// ship's shot.
#include "sheet_draw.h"

namespace sheet {

namespace {

// Light falls from the upper left, a little in front.
constexpr float lightX = -0.48f;
constexpr float lightY = -0.62f;
constexpr float lightZ = 0.62f;

struct Dot {
    float u;
    float v;
    bool red;
};

// Spots on the spore's skin, as fractions of its radius from its centre.
const Dot sporeDots[] = {{-0.5f, -0.1f, true},   {0.38f, 0.4f, true},    {0.3f, -0.5f, false},
                         {-0.32f, 0.55f, false}, {0.64f, -0.04f, false}, {-0.05f, 0.08f, false}};

// A lit ball: returns the shade factor 0..1 and the sphere's depth.
float ballShade(float nx, float ny, float& nz) {
    const float d2 = nx * nx + ny * ny;
    nz = std::sqrt(std::max(0.0f, 1.0f - d2));
    return std::max(0.0f, nx * lightX + ny * lightY + nz * lightZ);
}

} // namespace

Paint sporePaint(float x, float y, float cx, float cy, float radius) {
    const float nx = (x - cx) / radius;
    const float ny = (y - cy) / radius;
    const float d = vectorLength(nx, ny);
    if (d > 1.0f) {
        return clear();
    }
    float nz = 0.0f;
    const float shade = ballShade(nx, ny, nz);
    Colour skin = ramp({rgb8(8, 40, 10), rgb8(30, 100, 24), rgb8(80, 170, 44), rgb8(170, 230, 90)},
                       0.15f + 0.85f * shade);
    for (const Dot& dot : sporeDots) {
        const float dd = vectorLength(nx - dot.u, ny - dot.v);
        if (dd < 0.16f) {
            const Colour spot = dot.red ? rgb8(220, 40, 30) : rgb8(190, 178, 110);
            skin = spot * (0.45f + 0.7f * shade);
        }
    }
    // A glossy highlight and a dark rim give the ball its roundness.
    const float gloss = std::pow(std::max(0.0f, shade), 18.0f);
    skin = mix(skin, rgb8(230, 252, 190), gloss * 0.8f);
    skin = skin * (1.0f - 0.45f * smoothstep(0.75f, 1.0f, d));
    return solid(skin);
}

Canvas drawSpore() {
    Canvas canvas(15, 15);
    render(canvas, 8, [](float x, float y) { return sporePaint(x, y, 7.5f, 7.5f, 6.2f); });
    return canvas;
}

Canvas drawSeedPod() {
    Canvas canvas(15, 15);
    render(canvas, 8, [](float x, float y) {
        Paint paint = clear();
        // Roots spreading over the ground.
        const float roots = std::min({segmentDistance(x, y, {5.5f, 12.6f}, {1.6f, 13.6f}),
                                      segmentDistance(x, y, {9.5f, 12.6f}, {13.4f, 13.6f})});
        if (roots < 0.5f) {
            paint = solid(rgb8(70, 110, 40));
        }
        // A sprout curling up out of the pod, ending in a leaf.
        const float sprout = std::min(segmentDistance(x, y, {7.5f, 5.0f}, {8.2f, 2.6f}),
                                      segmentDistance(x, y, {8.2f, 2.6f}, {9.8f, 1.6f}));
        if (sprout < 0.55f) {
            paint = solid(rgb8(80, 160, 44));
        }
        const float leaf =
            ellipseDistance((x - 10.9f) * 0.87f + (y - 2.6f) * 0.5f,
                            -(x - 10.9f) * 0.5f + (y - 2.6f) * 0.87f, 0.0f, 0.0f, 2.0f, 1.05f);
        if (leaf < 0.0f) {
            paint = solid(y < 2.4f ? rgb8(150, 220, 80) : rgb8(60, 140, 36));
        }
        // The pod itself: the spore's ball, settled and a little squat.
        const float nx = (x - 7.5f) / 5.6f;
        const float ny = (y - 8.6f) / 4.9f;
        const float d = vectorLength(nx, ny);
        if (d <= 1.0f) {
            float nz = 0.0f;
            const float shade = ballShade(nx, ny, nz);
            Colour skin =
                ramp({rgb8(10, 46, 10), rgb8(36, 112, 26), rgb8(96, 180, 46), rgb8(186, 236, 100)},
                     0.15f + 0.85f * shade);
            const Dot dots[] = {{-0.5f, 0.15f, false},
                                {0.42f, 0.42f, false},
                                {0.3f, -0.35f, true},
                                {-0.1f, 0.62f, false}};
            for (const Dot& dot : dots) {
                if (vectorLength(nx - dot.u, ny - dot.v) < 0.17f) {
                    skin = (dot.red ? rgb8(220, 40, 30) : rgb8(196, 182, 108)) *
                           (0.45f + 0.7f * shade);
                }
            }
            skin = mix(skin, rgb8(230, 252, 190), std::pow(shade, 18.0f) * 0.8f);
            skin = skin * (1.0f - 0.45f * smoothstep(0.75f, 1.0f, d));
            paint = solid(skin);
        }
        return paint;
    });
    return canvas;
}

Canvas drawVine() {
    Canvas canvas(15, 15);
    render(canvas, 8, [](float x, float y) {
        constexpr float pi = 3.14159265f;
        Paint paint = clear();
        // Two curling tendrils in opposite corners.
        float curl = 1e9f;
        const Point curlStarts[] = {{9.5f, 6.6f}, {5.5f, 8.4f}};
        const float curlAngles[] = {-0.9f, 2.25f};
        for (int i = 0; i < 2; ++i) {
            Point at = curlStarts[i];
            float heading = curlAngles[i];
            float reach = 1.5f;
            for (int s = 0; s < 8; ++s) {
                const Point next{at.x + std::cos(heading) * reach,
                                 at.y + std::sin(heading) * reach};
                curl = std::min(curl, segmentDistance(x, y, at, next));
                at = next;
                heading += 0.75f;
                reach *= 0.84f;
            }
        }
        if (curl < 0.55f) {
            paint = solid(rgb8(110, 186, 52));
        }
        // Two leaves on short stalks.
        struct Leaf {
            float x, y, angle;
        };
        const Leaf leaves[] = {{3.6f, 4.3f, -2.3f}, {11.4f, 10.9f, 0.75f}};
        for (const Leaf& leaf : leaves) {
            const float c = std::cos(leaf.angle);
            const float s = std::sin(leaf.angle);
            const float lx = (x - leaf.x) * c + (y - leaf.y) * s;
            const float ly = -(x - leaf.x) * s + (y - leaf.y) * c;
            const float d = ellipseDistance(lx, ly, 0.0f, 0.0f, 2.2f, 1.1f);
            if (d < 0.0f) {
                const float vein = std::fabs(ly) < 0.3f ? 0.75f : 1.0f;
                paint = solid((ly < 0.0f ? rgb8(120, 204, 60) : rgb8(50, 130, 34)) * vein);
            }
        }
        // The stems cross the cell and leave it at the middle of each edge,
        // where the stems of the cells beside it carry on.
        const float across = y - (7.5f + 0.8f * std::sin(2.0f * pi * x / 15.0f));
        const float down = x - (7.5f - 0.8f * std::sin(2.0f * pi * y / 15.0f));
        const bool main = std::fabs(across) - 1.55f < 0.0f;
        const bool branch = std::fabs(down) - 1.15f < 0.0f;
        if (main || branch) {
            // Rounded: lighter on the side towards the light.
            const float side = main ? across / 1.55f : down / 1.15f;
            paint = solid(ramp({rgb8(120, 200, 60), rgb8(44, 124, 30), rgb8(14, 56, 14)},
                               clamp01(0.5f + side * 0.5f)));
        }
        // A knot where they cross, with a khaki bud.
        if (circleDistance(x, y, 7.5f, 7.5f, 2.0f) < 0.0f) {
            const float t = clamp01(0.5f + ((x - 7.5f) + (y - 7.5f)) / 4.0f);
            paint = solid(ramp({rgb8(150, 214, 80), rgb8(60, 140, 34), rgb8(20, 66, 16)}, t));
        }
        if (circleDistance(x, y, 6.9f, 6.9f, 0.75f) < 0.0f) {
            paint = solid(rgb8(200, 190, 118));
        }
        return paint;
    });
    return canvas;
}

Canvas drawShot() {
    // Drawn pixel by pixel: at 5 by 5 a rendered ring would blur away.
    const char* rows[] = {".......", "..oYo..", ".oCcCo.", ".YcWcY.",
                          ".oCcCo.", "..oYo..", "......."};
    Canvas canvas(7, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            switch (rows[y][x]) {
            case 'Y':
                canvas.set(x, y, solid(rgb8(255, 236, 80)));
                break;
            case 'o':
                canvas.set(x, y, solid(rgb8(255, 196, 40)));
                break;
            case 'C':
                canvas.set(x, y, solid(rgb8(40, 200, 220)));
                break;
            case 'c':
                canvas.set(x, y, solid(rgb8(110, 226, 240)));
                break;
            case 'W':
                canvas.set(x, y, solid(rgb8(190, 250, 255)));
                break;
            default:
                break;
            }
        }
    }
    return canvas;
}

} // namespace sheet
