// The player's ship: one vector design, lit from the upper left of the
// screen and rendered at each of the 72 headings.
#include "sheet_draw.h"

namespace sheet {

namespace {

// The design is laid out along u (forward, the nose at +u) and v (across).
enum class Part { None, Wing, WingTip, Nacelle, Nozzle, Hull, Cockpit };

struct ShipSample {
    Part part = Part::None;
    float height = 0.0f;
    Colour albedo;
    float gloss = 0.0f;
};

// Half-width of the hull at u: a pointed nose, a straight middle and a
// slightly narrower tail.
float hullHalfWidth(float u) {
    if (u > 17.0f || u < -12.5f) {
        return 0.0f;
    }
    if (u > 4.0f) {
        return 4.6f * std::sqrt((17.0f - u) / 13.0f);
    }
    if (u < -7.0f) {
        return 4.6f - (-7.0f - u) * 0.22f;
    }
    return 4.6f;
}

ShipSample sampleShip(float u, float v) {
    ShipSample s;
    const float av = std::fabs(v);

    // Swept wings with a dark trailing band.
    const std::vector<Point> wing = {{3.5f, 3.5f}, {-8.0f, 14.6f}, {-11.6f, 14.6f}, {-9.5f, 3.5f}};
    const float wingDistance = polygonDistance(u, av, wing);
    if (wingDistance < 0.0f) {
        s.part = Part::Wing;
        s.height = 0.6f + 0.7f * clamp01(-wingDistance / 1.4f);
        s.albedo = rgb8(150, 154, 164);
        const float trailing = -(u + 9.5f) + (av - 3.5f) * (2.1f / 11.1f);
        if (trailing > -1.5f) {
            s.albedo = rgb8(92, 96, 108);
        }
        // A blue band across each wing.
        if (std::fabs(av - 9.6f) < 0.8f) {
            s.albedo = rgb8(70, 110, 190);
        }
        s.gloss = 0.25f;
    }
    // Wing-tip pods carrying the navigation lights.
    const float tip = segmentDistance(u, av, {-6.8f, 14.6f}, {-11.8f, 14.6f}) - 1.15f;
    if (tip < 0.0f) {
        s.part = Part::WingTip;
        s.height = 1.4f * std::sqrt(clamp01(-tip / 1.15f));
        s.albedo =
            u > -7.8f ? (v < 0.0f ? rgb8(235, 50, 36) : rgb8(60, 220, 240)) : rgb8(214, 218, 226);
        s.gloss = 0.5f;
    }
    // Engine nacelles on the wing roots.
    const float nacelle = segmentDistance(u, av, {-2.5f, 6.4f}, {-13.0f, 6.4f}) - 2.2f;
    if (nacelle < 0.0f) {
        s.part = Part::Nacelle;
        s.height = 2.3f * std::sqrt(clamp01(-nacelle / 2.2f));
        s.albedo = rgb8(118, 122, 134);
        if (u > -3.5f) {
            s.albedo = rgb8(60, 62, 72); // intake
        }
        s.gloss = 0.45f;
        if (u < -13.0f && vectorLength(u + 13.0f, av - 6.4f) < 1.25f) {
            s.part = Part::Nozzle;
            s.albedo = rgb8(255, 176, 60);
        }
    }
    // The white hull, with a grey spine panel behind the cockpit.
    const float w = hullHalfWidth(u);
    if (w > 0.0f && av < w) {
        const float across = av / w;
        s.part = Part::Hull;
        s.height = 1.2f + 2.4f * std::sqrt(1.0f - across * across);
        s.albedo = rgb8(228, 231, 238);
        if (u < 2.5f && av < 1.1f) {
            s.albedo = rgb8(150, 154, 166);
        }
        if (std::fabs(u + 5.5f) < 0.45f || std::fabs(u - 13.0f) < 0.35f) {
            s.albedo = rgb8(120, 124, 136); // panel seams
        }
        s.gloss = 0.6f;
    }
    // The pale blue canopy.
    const float canopy = ellipseDistance(u, v, 8.0f, 0.0f, 4.4f, 2.5f);
    if (canopy < 0.0f) {
        const float e = vectorLength((u - 8.0f) / 4.4f, v / 2.5f);
        s.part = Part::Cockpit;
        s.height = 3.4f + 1.4f * std::sqrt(clamp01(1.0f - e * e));
        s.albedo = mix(rgb8(170, 214, 250), rgb8(70, 120, 200), clamp01((e - 0.3f) * 1.3f));
        s.gloss = 1.0f;
    }
    return s;
}

// The design's centre of area along u, so that every heading turns about
// the craft's middle.
float designCentre() {
    static const float centre = [] {
        double sum = 0.0;
        double count = 0.0;
        for (float u = -20.0f; u <= 20.0f; u += 0.125f) {
            for (float v = -20.0f; v <= 20.0f; v += 0.125f) {
                if (sampleShip(u, v).part != Part::None) {
                    sum += u;
                    count += 1.0;
                }
            }
        }
        return static_cast<float>(sum / count);
    }();
    return centre;
}

} // namespace

Paint shipPaint(float x, float y, float heading) {
    constexpr float pi = 3.14159265f;
    const float theta = heading * pi / 180.0f;
    // Heading (forward) and the across axis in screen space.
    const float dx = -std::cos(theta);
    const float dy = -std::sin(theta);
    const float nx = -dy;
    const float ny = dx;
    // The craft turns about the middle of the shown 47 x 47 area.
    constexpr float pivot = 23.5f;
    constexpr float lx = -0.5f, ly = -0.62f, lz = 0.6f;
    const float lightLength = std::sqrt(lx * lx + ly * ly + lz * lz);

    const float px = x - pivot;
    const float py = y - pivot;
    const float u = px * dx + py * dy + designCentre();
    const float v = px * nx + py * ny;
    const ShipSample s = sampleShip(u, v);
    if (s.part == Part::None) {
        return clear();
    }
    if (s.part == Part::Nozzle) {
        return solid(s.albedo);
    }
    // Normal from the height field, turned into screen space so the light
    // stays put while the craft turns.
    constexpr float e = 0.3f;
    const float gu = (sampleShip(u + e, v).height - sampleShip(u - e, v).height) / (2 * e);
    const float gv = (sampleShip(u, v + e).height - sampleShip(u, v - e).height) / (2 * e);
    const float gx = gu * dx + gv * nx;
    const float gy = gu * dy + gv * ny;
    const float normalLength = std::sqrt(gx * gx + gy * gy + 1.0f);
    const float lambert = std::max(0.0f, (-gx * lx - gy * ly + lz) / (normalLength * lightLength));
    // A highlight seen from straight above.
    const float hx = lx / lightLength;
    const float hy = ly / lightLength;
    const float hz = lz / lightLength + 1.0f;
    const float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    const float shine =
        std::pow(std::max(0.0f, (-gx * hx - gy * hy + hz) / (normalLength * hl)), 24.0f);
    Colour c = s.albedo * (0.38f + 0.78f * lambert);
    c = mix(c, rgb8(255, 255, 255), shine * s.gloss * 0.7f);
    return solid(c);
}

Canvas drawShipFrame(int frame) {
    // Frame k points 5 degrees further clockwise than frame k - 1.
    const float heading = static_cast<float>(frame) * 5.0f;
    Canvas canvas(47, 47);
    render(canvas, 6, [heading](float x, float y) { return shipPaint(x, y, heading); });
    return canvas;
}

} // namespace sheet
