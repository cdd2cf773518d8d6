// Surfaces are plain memory, one byte per pixel, in both backends: the
// backend only shows the primary surface through the palette at each flip.
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/faults.h"
#include "platform/surface_internal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace plat {

namespace {

// The largest picture a surface may hold; bigger requests are refused.
constexpr int32_t kMaxSurfaceSide = 16384;

struct DisplayState {
    bool open = false;
    Surface primary;
    Surface back;
    Palette* palette = nullptr;
};

DisplayState display;
int liveSurfaces = 0;

bool isDisplaySurface(const Surface* surface) {
    return surface == &display.primary || surface == &display.back;
}

ExclusiveRect intersect(const ExclusiveRect& a, const ExclusiveRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool isEmpty(const ExclusiveRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

void resetSurface(Surface& surface, int32_t width, int32_t height) {
    surface.width = width;
    surface.height = height;
    surface.pixels.assign(size_t(width) * size_t(height), 0);
    surface.hasColourKey = false;
    surface.keyLow = 0;
    surface.keyHigh = 0;
    surface.clipper = nullptr;
    surface.locked = false;
}

// Copies the part `part` of the target rectangle, a sub-rectangle of
// targetRect, from the matching pixels of sourceRect.
void copyPart(Surface& target, const ExclusiveRect& targetRect, const Surface& source,
              const ExclusiveRect& sourceRect, const ExclusiveRect& part, bool useColourKey) {
    const int64_t targetWidth = targetRect.right - targetRect.left;
    const int64_t targetHeight = targetRect.bottom - targetRect.top;
    const int64_t sourceWidth = sourceRect.right - sourceRect.left;
    const int64_t sourceHeight = sourceRect.bottom - sourceRect.top;
    const bool keyed = useColourKey && source.hasColourKey;
    if (targetWidth == sourceWidth && targetHeight == sourceHeight) {
        // Every picture the game draws keeps its size: copy row by row.
        const int32_t dx = sourceRect.left - targetRect.left;
        const int32_t dy = sourceRect.top - targetRect.top;
        const size_t length = size_t(part.right - part.left);
        for (int32_t y = part.top; y < part.bottom; ++y) {
            const uint8_t* from =
                source.pixels.data() + size_t(y + dy) * size_t(source.width) + (part.left + dx);
            uint8_t* to = target.pixels.data() + size_t(y) * size_t(target.width) + part.left;
            if (!keyed) {
                std::memcpy(to, from, length);
                continue;
            }
            for (size_t x = 0; x < length; ++x) {
                if (from[x] < source.keyLow || from[x] > source.keyHigh) {
                    to[x] = from[x];
                }
            }
        }
        return;
    }
    for (int32_t y = part.top; y < part.bottom; ++y) {
        const int64_t sy = sourceRect.top + (y - targetRect.top) * sourceHeight / targetHeight;
        const uint8_t* from = source.pixels.data() + size_t(sy) * size_t(source.width);
        uint8_t* to = target.pixels.data() + size_t(y) * size_t(target.width);
        for (int32_t x = part.left; x < part.right; ++x) {
            const int64_t sx = sourceRect.left + (x - targetRect.left) * sourceWidth / targetWidth;
            const uint8_t value = from[sx];
            if (keyed && value >= source.keyLow && value <= source.keyHigh) {
                continue;
            }
            to[x] = value;
        }
    }
}

} // namespace

bool displayOpen() {
    if (display.open) {
        return true;
    }
    if (detail::faultHit(Fault::DisplayOpen) || !backend::displayOpen()) {
        return false;
    }
    resetSurface(display.primary, kScreenWidth, kScreenHeight);
    resetSurface(display.back, kScreenWidth, kScreenHeight);
    display.palette = nullptr;
    display.open = true;
    return true;
}

void displayClose() {
    if (!display.open) {
        return;
    }
    backend::displayClose();
    display.open = false;
    display.palette = nullptr;
    display.primary.pixels.clear();
    display.back.pixels.clear();
}

Surface* displayPrimary() {
    return display.open ? &display.primary : nullptr;
}

Surface* displayBackBuffer() {
    return display.open ? &display.back : nullptr;
}

bool displayFlip() {
    if (!display.open || display.primary.locked || display.back.locked) {
        return false;
    }
    std::swap(display.primary.pixels, display.back.pixels);
    static const Palette black{};
    const Palette* shown = display.palette != nullptr ? display.palette : &black;
    backend::displayPresent(display.primary.pixels.data(), shown->entries);
    return true;
}

const Palette* detail::displayPalette() {
    return display.palette;
}

Palette* paletteCreate(const PaletteColour entries[256]) {
    if (detail::faultHit(Fault::PaletteCreate)) {
        return nullptr;
    }
    auto* palette = new Palette;
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    return palette;
}

bool paletteSetEntries(Palette* palette, int first, int count, const PaletteColour* entries) {
    if (palette == nullptr || first < 0 || count < 0 || first + count > 256 ||
        detail::faultHit(Fault::PaletteSetEntries)) {
        return false;
    }
    std::memcpy(palette->entries + first, entries, size_t(count) * sizeof(PaletteColour));
    return true;
}

void paletteRelease(Palette* palette) {
    if (display.palette == palette) {
        display.palette = nullptr;
    }
    delete palette;
}

bool surfaceSetPalette(Surface* primary, Palette* palette) {
    if (primary != &display.primary || palette == nullptr || detail::faultHit(Fault::SetPalette)) {
        return false;
    }
    display.palette = palette;
    return true;
}

Surface* surfaceCreate(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide ||
        detail::faultHit(Fault::SurfaceCreate)) {
        return nullptr;
    }
    auto* surface = new Surface;
    resetSurface(*surface, width, height);
    ++liveSurfaces;
    return surface;
}

void surfaceRelease(Surface* surface) {
    if (surface == nullptr || isDisplaySurface(surface)) {
        return;
    }
    --liveSurfaces;
    delete surface;
}

int liveSurfaceCount() {
    return liveSurfaces;
}

bool surfaceSetColourKey(Surface* surface, uint8_t low, uint8_t high) {
    if (surface == nullptr || low > high) {
        return false;
    }
    surface->hasColourKey = true;
    surface->keyLow = low;
    surface->keyHigh = high;
    return true;
}

bool surfaceLock(Surface* surface, SurfaceLock* lock) {
    if (surface == nullptr || lock == nullptr || surface->locked || surface->pixels.empty()) {
        return false;
    }
    surface->locked = true;
    lock->pixels = surface->pixels.data();
    lock->pitch = surface->width;
    lock->width = surface->width;
    lock->height = surface->height;
    return true;
}

void surfaceUnlock(Surface* surface) {
    if (surface != nullptr) {
        surface->locked = false;
    }
}

bool surfaceBlit(Surface* target, const ExclusiveRect* targetRect, Surface* source,
                 const ExclusiveRect* sourceRect, bool useColourKey) {
    if (target == nullptr || source == nullptr || target->locked || source->locked ||
        target->pixels.empty() || source->pixels.empty() || detail::faultHit(Fault::Blit)) {
        return false;
    }
    const ExclusiveRect targetBounds{0, 0, target->width, target->height};
    const ExclusiveRect sourceBounds{0, 0, source->width, source->height};
    const ExclusiveRect to = targetRect != nullptr ? *targetRect : targetBounds;
    const ExclusiveRect from = sourceRect != nullptr ? *sourceRect : sourceBounds;

    // Rectangles turned inside out, and source rectangles that leave the
    // source, are refused.
    if (to.right < to.left || to.bottom < to.top || from.right < from.left ||
        from.bottom < from.top) {
        return false;
    }
    if (from.left < 0 || from.top < 0 || from.right > source->width ||
        from.bottom > source->height) {
        return false;
    }
    if (isEmpty(to) || isEmpty(from)) {
        return true;
    }

    if (target->clipper == nullptr) {
        if (to.left < 0 || to.top < 0 || to.right > target->width || to.bottom > target->height) {
            return false;
        }
        copyPart(*target, to, *source, from, to, useColourKey);
        return true;
    }
    for (const ExclusiveRect& clip : target->clipper->rectangles) {
        const ExclusiveRect part = intersect(intersect(to, clip), targetBounds);
        if (!isEmpty(part)) {
            copyPart(*target, to, *source, from, part, useColourKey);
        }
    }
    return true;
}

bool surfaceFill(Surface* surface, uint8_t index) {
    if (surface == nullptr || surface->locked || surface->pixels.empty()) {
        return false;
    }
    std::fill(surface->pixels.begin(), surface->pixels.end(), index);
    return true;
}

Clipper* clipperCreate() {
    if (detail::faultHit(Fault::ClipperCreate)) {
        return nullptr;
    }
    return new Clipper;
}

bool clipperSetList(Clipper* clipper, int count, const ExclusiveRect* rectangles) {
    if (clipper == nullptr || count < 0 || (count > 0 && rectangles == nullptr) ||
        detail::faultHit(Fault::ClipperSetList)) {
        return false;
    }
    clipper->rectangles.assign(rectangles, rectangles + count);
    return true;
}

bool surfaceSetClipper(Surface* surface, Clipper* clipper) {
    if (surface == nullptr || detail::faultHit(Fault::SetClipper)) {
        return false;
    }
    surface->clipper = clipper;
    return true;
}

void clipperRelease(Clipper* clipper) {
    if (clipper == nullptr) {
        return;
    }
    for (Surface* surface : {&display.primary, &display.back}) {
        if (surface->clipper == clipper) {
            surface->clipper = nullptr;
        }
    }
    delete clipper;
}

} // namespace plat
