// The sower: a living mothership, a purple carapace with one eye, beating
// fins, chasing lights along its rim and tentacles that carry spores.
#include "sheet_draw.h"

namespace sheet {

namespace {

constexpr float pi = 3.14159265f;

// The fins: a membrane between the body and a tip that rises and falls
// with the beat, stiffened by ribs.
Paint finPaint(float x, float y, float beat) {
    const float cx = 23.5f;
    // The right fin is the left one mirrored.
    const float fx = x < cx ? x : 2.0f * cx - x;
    const Point root{12.0f, 20.0f};
    const Point tip{1.6f, 12.5f - 7.0f * beat};
    const Point middle{2.0f, 21.5f - 4.5f * beat};
    const Point trail{6.0f, 29.0f - 2.5f * beat};
    const std::vector<Point> membrane = {{12.5f, 14.5f}, tip, middle, trail, {13.0f, 26.5f}};
    const float d = polygonDistance(fx, y, membrane);
    if (d >= 0.0f) {
        return clear();
    }
    const float rib =
        std::min({segmentDistance(fx, y, root, tip), segmentDistance(fx, y, root, middle),
                  segmentDistance(fx, y, root, trail)});
    // Thin membrane, lighter between the ribs, darker at the body.
    Colour c = mix(rgb8(150, 80, 190), rgb8(70, 20, 100), clamp01((fx - 2.0f) / 10.0f));
    c = mix(c, rgb8(40, 8, 60), clamp01(0.8f - rib) * 0.8f);
    c = c * (1.0f - 0.3f * smoothstep(-1.0f, 0.0f, d));
    return solid(c);
}

} // namespace

Paint sowerPaint(float x, float y, int frame) {
    const float phase = 2.0f * pi * static_cast<float>(frame) / 6.0f;
    const float beat = std::sin(phase);
    const float pulse = 1.0f + 0.045f * std::sin(phase + 0.8f);
    const float cx = 23.5f;
    Paint paint = finPaint(x, y, beat);

    // Tentacles swaying under the body; the inner two carry seed sacs.
    for (int k = 0; k < 5; ++k) {
        const float base = 15.5f + 4.0f * static_cast<float>(k);
        const float sway = std::sin(phase + static_cast<float>(k) * 1.3f);
        const float length = k == 2 ? 15.5f : (k == 1 || k == 3 ? 14.0f : 10.5f);
        Point at{base, 26.0f};
        float tentacle = 1e9f;
        for (int s = 1; s <= 7; ++s) {
            const float f = static_cast<float>(s) / 7.0f;
            const Point next{base + sway * 2.8f * f * f + (base - cx) * 0.22f * f,
                             26.0f + length * f};
            tentacle = std::min(tentacle, segmentDistance(x, y, at, next) - (1.15f - 0.7f * f));
            at = next;
        }
        if (tentacle < 0.0f) {
            paint =
                solid(mix(rgb8(120, 40, 150), rgb8(240, 150, 220), clamp01((y - 26.0f) / 16.0f)));
        }
        if ((k == 1 || k == 3) && circleDistance(x, y, at.x, at.y + 0.4f, 1.5f) < 0.0f) {
            paint = solid(y < at.y ? rgb8(150, 226, 90) : rgb8(50, 130, 36));
        }
    }

    // The soft underside with its glowing seed chamber.
    const float belly = ellipseDistance(x, y, cx, 25.0f, 14.5f * pulse, 5.0f);
    if (belly < 0.0f) {
        const float glow = std::max(0.0f, 1.0f - vectorLength((x - cx) / 6.5f, (y - 27.5f) / 3.0f));
        Colour c = mix(rgb8(60, 14, 84), rgb8(120, 36, 134), clamp01((y - 21.0f) / 8.0f));
        c = mix(c, rgb8(255, 170, 220), glow * (0.75f + 0.25f * std::sin(phase)));
        paint = solid(c);
    }

    // Three horns along the crest.
    for (int h = -1; h <= 1; ++h) {
        const float hx = cx + static_cast<float>(h) * 7.5f;
        const float tipY = h == 0 ? 5.0f : 8.0f;
        const std::vector<Point> horn = {
            {hx - 2.0f, 12.0f}, {hx + static_cast<float>(h) * 1.5f, tipY}, {hx + 2.0f, 12.0f}};
        if (polygonDistance(x, y, horn) < 0.0f) {
            paint =
                solid(mix(rgb8(230, 170, 240), rgb8(90, 30, 120), clamp01((x - hx + 1.0f) / 3.0f)));
        }
    }

    // The carapace: a lit dome in armoured rings.
    const float rx = 18.0f * pulse;
    const float ry = 10.5f * pulse;
    const float nx = (x - cx) / rx;
    const float ny = (y - 20.5f) / ry;
    const float d = vectorLength(nx, ny);
    if (d < 1.0f && y < 25.0f) {
        const float nz = std::sqrt(1.0f - d * d);
        const float light = clamp01(-0.45f * nx - 0.65f * ny + 0.6f * nz);
        Colour c =
            ramp({rgb8(36, 6, 54), rgb8(92, 26, 124), rgb8(156, 66, 188), rgb8(222, 160, 244)},
                 0.1f + 0.9f * light);
        // Plate seams: rings round the dome and a few radial joints.
        const float ring = std::fabs(std::remainder(d, 0.3f));
        const float joint = std::fabs(std::remainder(std::atan2(ny, nx * 0.6f), 0.7f)) * d * rx;
        if (ring < 0.035f || (joint < 0.45f && d > 0.35f)) {
            c = c * 0.62f;
        }
        c = mix(c, rgb8(255, 230, 255), std::pow(light, 16.0f) * 0.6f);
        c = c * (1.0f - 0.4f * smoothstep(0.82f, 1.0f, d));
        paint = solid(c);

        // Six lights along the rim chase round, one step per frame.
        for (int i = 0; i < 6; ++i) {
            const float lx = cx + (static_cast<float>(i) - 2.5f) * 5.2f * pulse;
            const float ly = 23.0f - std::fabs(static_cast<float>(i) - 2.5f) * 0.8f;
            const float dl = circleDistance(x, y, lx, ly, 1.3f);
            if (dl < 0.0f) {
                const bool lit = i == frame || i == (frame + 5) % 6;
                paint = solid(lit ? (i == frame ? rgb8(255, 200, 240) : rgb8(236, 70, 170))
                                  : rgb8(100, 16, 76));
            } else if (i == frame && dl < 1.2f) {
                paint = solid(mix(paint.colour, rgb8(255, 120, 200), 0.5f));
            }
        }
        // The eye, with a slit pupil that narrows as the body swells.
        const float eye = ellipseDistance(x, y, cx, 16.5f, 4.6f, 3.4f);
        if (eye < 0.0f) {
            const float iris = vectorLength((x - cx) / 3.3f, (y - 16.5f) / 3.3f);
            Colour e = mix(rgb8(255, 236, 120), rgb8(230, 100, 20), iris);
            const float slit = 0.7f + 0.35f * std::sin(phase + pi);
            if (std::fabs(x - cx) < slit * (1.0f - std::pow((y - 16.5f) / 3.4f, 2.0f))) {
                e = rgb8(30, 4, 30);
            }
            if (circleDistance(x, y, cx - 1.7f, 15.1f, 0.8f) < 0.0f) {
                e = rgb8(255, 255, 240);
            }
            e = e * (1.0f - 0.5f * smoothstep(-0.8f, 0.0f, eye));
            paint = solid(e);
        }
    }
    return paint;
}

Canvas drawSowerFrame(int frame) {
    Canvas canvas(47, 47);
    render(canvas, 6, [frame](float x, float y) { return sowerPaint(x, y, frame); });
    return canvas;
}

} // namespace sheet
