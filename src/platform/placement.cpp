// The picture's placement and the drawing of a placed frame onto 32-bit
// pixels: whole blocks at an exact scale, or widened and smoothed by taps.
#include "platform/placement.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace plat {
namespace {

// Turns count frame pixels into scale target pixels each.
void widenRow(const uint8_t* source, int count, const uint32_t* colours, int scale,
              uint32_t* target) {
    switch (scale) {
    case 1:
        for (int i = 0; i < count; ++i) {
            target[i] = colours[source[i]];
        }
        break;
    case 2:
        for (int i = 0; i < count; ++i) {
            const uint32_t colour = colours[source[i]];
            target[2 * i] = colour;
            target[2 * i + 1] = colour;
        }
        break;
    case 3:
        for (int i = 0; i < count; ++i) {
            const uint32_t colour = colours[source[i]];
            target[3 * i] = colour;
            target[3 * i + 1] = colour;
            target[3 * i + 2] = colour;
        }
        break;
    default:
        for (int i = 0; i < count; ++i) {
            std::fill_n(target + size_t(i) * size_t(scale), scale, colours[source[i]]);
        }
        break;
    }
}

uint32_t* rowOf(const PixelTarget& target, int x, int y) {
    return reinterpret_cast<uint32_t*>(target.pixels + size_t(y) * target.pitch + size_t(x) * 4);
}

// Draws one area of the frame (in frame pixels) at a whole scale onto the
// frame's place on the target: each frame row is turned into one target
// row, which is then copied down for the rows that repeat it.
PixelRect drawBlockArea(const PixelTarget& target, const uint8_t* frame, const uint32_t* colours,
                        const PixelRect& place, int scale, const PixelRect& area) {
    const PixelRect drawn{place.x + area.x * scale, place.y + area.y * scale, area.w * scale,
                          area.h * scale};
    const size_t rowBytes = size_t(drawn.w) * 4;
    for (int y = 0; y < area.h; ++y) {
        uint32_t* row = rowOf(target, drawn.x, drawn.y + y * scale);
        widenRow(frame + size_t(area.y + y) * kScreenWidth + size_t(area.x), area.w, colours, scale,
                 row);
        for (int repeat = 1; repeat < scale; ++repeat) {
            std::memcpy(reinterpret_cast<uint8_t*>(row) + size_t(repeat) * target.pitch, row,
                        rowBytes);
        }
    }
    return drawn;
}

// The taps for the present placement, made again only when it changes.
struct SmoothTaps {
    int width = 0;
    int height = 0;
    int scale = 0;
    std::vector<Tap> columns;
    std::vector<Tap> rows;
};

const SmoothTaps& tapsOf(const FramePlacement& placement) {
    static SmoothTaps taps;
    if (taps.width != placement.place.w || taps.height != placement.place.h ||
        taps.scale != placement.scale) {
        taps.width = placement.place.w;
        taps.height = placement.place.h;
        taps.scale = placement.scale;
        taps.columns = tapsFor(taps.width, kScreenWidth, taps.scale);
        taps.rows = tapsFor(taps.height, kScreenHeight, taps.scale);
    }
    return taps;
}

// a and b weighed together, b counting weight 256ths, each byte of the
// pixel on its own (whatever order the format keeps its colours in).
inline uint32_t blend(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t redBlue = ((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8 & 0xFF00FFu;
    const uint32_t greenAlpha =
        (((a >> 8) & 0xFF00FFu) * keep + ((b >> 8) & 0xFF00FFu) * weight) & 0xFF00FF00u;
    return redBlue | greenAlpha;
}

// Draws the part of the smooth picture that the given area of the frame
// (in frame pixels) reaches, and returns that part of the target.
PixelRect drawSmoothArea(const PixelTarget& target, const uint8_t* frame, const uint32_t* colours,
                         const FramePlacement& placement, const PixelRect& area) {
    const SmoothTaps& taps = tapsOf(placement);
    // The output columns whose taps touch the area: from the first whose
    // second pixel is in it to the last whose first pixel is.
    auto reach = [](const std::vector<Tap>& line, int from, int to) {
        const auto begin = std::lower_bound(line.begin(), line.end(), from,
                                            [](const Tap& t, int v) { return t.second < v; });
        const auto end = std::upper_bound(line.begin(), line.end(), to - 1,
                                          [](int v, const Tap& t) { return v < t.first; });
        return std::pair<int, int>(int(begin - line.begin()), int(end - line.begin()));
    };
    const auto [left, right] = reach(taps.columns, area.x, area.x + area.w);
    const auto [top, bottom] = reach(taps.rows, area.y, area.y + area.h);
    if (right <= left || bottom <= top) {
        return PixelRect{placement.place.x, placement.place.y, 0, 0};
    }
    for (int y = top; y < bottom; ++y) {
        const Tap& row = taps.rows[size_t(y)];
        const uint8_t* upper = frame + size_t(row.first) * kScreenWidth;
        const uint8_t* lower = frame + size_t(row.second) * kScreenWidth;
        uint32_t* out = rowOf(target, placement.place.x, placement.place.y + y);
        for (int x = left; x < right; ++x) {
            const Tap& column = taps.columns[size_t(x)];
            uint32_t colour = colours[upper[column.first]];
            if (column.weight != 0) {
                colour = blend(colour, colours[upper[column.second]], column.weight);
            }
            if (row.weight != 0) {
                uint32_t below = colours[lower[column.first]];
                if (column.weight != 0) {
                    below = blend(below, colours[lower[column.second]], column.weight);
                }
                colour = blend(colour, below, row.weight);
            }
            out[x] = colour;
        }
    }
    return PixelRect{placement.place.x + left, placement.place.y + top, right - left, bottom - top};
}

// The columns [left, right) in which two frame rows differ; left == right
// when they are the same.
void changedColumns(const uint8_t* a, const uint8_t* b, int* left, int* right) {
    int first = 0;
    while (first < kScreenWidth && a[first] == b[first]) {
        ++first;
    }
    int last = kScreenWidth;
    while (last > first && a[last - 1] == b[last - 1]) {
        --last;
    }
    *left = first;
    *right = last;
}

// Runs of changed rows at most this far apart are sent as one.
constexpr int kJoinedRowGap = 8;

} // namespace

FramePlacement placeFrame(int outputWidth, int outputHeight) {
    const int width = std::max(outputWidth, 0);
    const int height = std::max(outputHeight, 0);
    // The largest 4:3 picture that fits: the full height on a wide output,
    // the full width (to a multiple of 4, for an exact 4:3) on a tall one.
    int fitWidth = 0;
    int fitHeight = 0;
    if (int64_t(width) * kScreenHeight >= int64_t(height) * kScreenWidth) {
        fitHeight = height;
        fitWidth = int(int64_t(height) * kScreenWidth / kScreenHeight);
    } else {
        fitWidth = width - width % 4;
        fitHeight = int(int64_t(fitWidth) * kScreenHeight / kScreenWidth);
    }
    const int whole = std::min(width / kScreenWidth, height / kScreenHeight);
    FramePlacement placement{};
    if (whole >= 1 && int64_t(whole) * kScreenHeight * 100 >= int64_t(fitHeight) * 85) {
        placement.scale = whole;
        placement.smooth = false;
        fitWidth = kScreenWidth * whole;
        fitHeight = kScreenHeight * whole;
    } else {
        placement.scale = std::max(1, (fitHeight + kScreenHeight - 1) / kScreenHeight);
        placement.smooth = true;
    }
    placement.place =
        PixelRect{(width - fitWidth) / 2, (height - fitHeight) / 2, fitWidth, fitHeight};
    return placement;
}

PauseSign pauseSignIn(const PixelRect& place) {
    auto unit = [&](int gamePixels) { return std::max(1, gamePixels * place.h / kScreenHeight); };
    PauseSign sign;
    const int size = unit(48);
    sign.box =
        PixelRect{place.x + (place.w - size) / 2, place.y + (place.h / 4 - size / 2), size, size};
    const int barWidth = unit(10);
    const int barHeight = unit(28);
    const int gap = unit(8);
    const int left = sign.box.x + (size - 2 * barWidth - gap) / 2;
    const int top = sign.box.y + (size - barHeight) / 2;
    sign.bars[0] = PixelRect{left, top, barWidth, barHeight};
    sign.bars[1] = PixelRect{left + barWidth + gap, top, barWidth, barHeight};
    return sign;
}

std::vector<Tap> tapsFor(int outputs, int gamePixels, int scale) {
    std::vector<Tap> taps(size_t(std::max(outputs, 0)));
    const int64_t widened = int64_t(gamePixels) * scale;
    for (int i = 0; i < outputs; ++i) {
        // The output centre on the widened picture is
        // ((2i + 1) * widened - outputs) / (2 * outputs).
        const int64_t numerator = std::max<int64_t>(0, (2 * int64_t(i) + 1) * widened - outputs);
        const int64_t denominator = 2 * int64_t(outputs);
        const int64_t at = std::min(numerator / denominator, widened - 1);
        Tap& tap = taps[size_t(i)];
        tap.first = uint16_t(at / scale);
        tap.second = uint16_t(std::min(at + 1, widened - 1) / scale);
        tap.weight = tap.first == tap.second
                         ? 0
                         : uint16_t((numerator - at * denominator) * 256 / denominator);
    }
    return taps;
}

PixelRect drawPlacedArea(const PixelTarget& target, const uint8_t* frame, const uint32_t* colours,
                         const FramePlacement& placement, const PixelRect& area) {
    if (placement.smooth) {
        return drawSmoothArea(target, frame, colours, placement, area);
    }
    return drawBlockArea(target, frame, colours, placement.place, placement.scale, area);
}

PixelRect drawPlacedFrame(const PixelTarget& target, const uint8_t* frame,
                          const uint32_t* colours) {
    const FramePlacement placement = placeFrame(target.width, target.height);
    drawPlacedArea(target, frame, colours, placement, PixelRect{0, 0, kScreenWidth, kScreenHeight});
    return placement.place;
}

void fillPixels(const PixelTarget& target, const PixelRect& rect, uint32_t value) {
    const int left = std::max(rect.x, 0);
    const int top = std::max(rect.y, 0);
    const int right = std::min(rect.x + rect.w, target.width);
    const int bottom = std::min(rect.y + rect.h, target.height);
    for (int y = top; y < bottom; ++y) {
        std::fill(rowOf(target, left, y), rowOf(target, right, y), value);
    }
}

int changedAreas(const uint8_t* shown, const uint8_t* next, PixelRect areas[kMaxChangedAreas]) {
    int count = 0;
    bool overflow = false;
    // The bounds of every change: left, top, right and bottom, exclusive.
    int bounds[4] = {kScreenWidth, kScreenHeight, 0, 0};
    for (int y = 0; y < kScreenHeight; ++y) {
        const size_t offset = size_t(y) * kScreenWidth;
        if (std::memcmp(shown + offset, next + offset, kScreenWidth) == 0) {
            continue;
        }
        int left = 0;
        int right = 0;
        changedColumns(shown + offset, next + offset, &left, &right);
        bounds[0] = std::min(bounds[0], left);
        bounds[1] = std::min(bounds[1], y);
        bounds[2] = std::max(bounds[2], right);
        bounds[3] = y + 1;
        PixelRect* open = count > 0 ? &areas[count - 1] : nullptr;
        if (open != nullptr && y - (open->y + open->h) <= kJoinedRowGap) {
            const int openRight = open->x + open->w;
            open->x = std::min(open->x, left);
            open->w = std::max(openRight, right) - open->x;
            open->h = y + 1 - open->y;
        } else if (count < kMaxChangedAreas) {
            areas[count++] = PixelRect{left, y, right - left, 1};
        } else {
            overflow = true;
        }
    }
    if (overflow) {
        areas[0] = PixelRect{bounds[0], bounds[1], bounds[2] - bounds[0], bounds[3] - bounds[1]};
        return 1;
    }
    return count;
}

} // namespace plat
