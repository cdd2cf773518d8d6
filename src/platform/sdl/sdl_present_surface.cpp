// Presenting into the window's own framebuffer (X11 shared memory): the
// frame is scaled straight into it, and only the parts that differ from the
// frame before are drawn and sent to the screen, since most of a frame is
// the same background as the last one. Going through a renderer costs
// several times that on machines whose OpenGL runs on the processor.
#include "platform/sdl/sdl_present.h"

#include <cstring>

namespace plat::sdl {
namespace {

// The framebuffer the borders were last cleared on, and its size.
SDL_Surface* clearedSurface = nullptr;
int clearedWidth = 0;
int clearedHeight = 0;

// What the framebuffer shows: the frame and palette drawn into it last, so
// that the next frame redraws only what differs.
std::vector<uint8_t> shownPixels;
std::array<PaletteColour, 256> shownPalette{};
bool shownValid = false;

PixelTarget targetOf(SDL_Surface* surface) {
    return PixelTarget{static_cast<uint8_t*>(surface->pixels), size_t(surface->pitch), surface->w,
                       surface->h};
}

uint32_t mapped(SDL_Surface* surface, uint32_t rgb) {
    return SDL_MapRGB(surface->format, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

// The pause sign, drawn straight onto the framebuffer.
PixelRect drawPauseSign(SDL_Surface* surface, const PixelRect& place) {
    const PauseSign sign = pauseSignIn(place);
    const PixelTarget target = targetOf(surface);
    fillPixels(target, sign.box, mapped(surface, kPauseSignBoxColour));
    for (const PixelRect& bar : sign.bars) {
        fillPixels(target, bar, mapped(surface, kPauseSignBarColour));
    }
    return sign.box;
}

} // namespace

bool surfaceOpen(SDL_Window* window) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->format->BytesPerPixel != 4) {
        return false;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_UpdateWindowSurface(window);
    surfaceForget();
    return true;
}

void surfaceClose() {
    surfaceForget();
    shownPixels.clear();
    shownPixels.shrink_to_fit();
}

void surfaceForget() {
    clearedSurface = nullptr;
    shownValid = false;
}

// A new or resized framebuffer gets black borders and the whole frame;
// otherwise only the parts that changed since the last frame are drawn and
// sent on.
bool surfacePresent(SDL_Window* window) {
    const KeptFrame& kept = keptFrame();
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->format->BytesPerPixel != 4) {
        return false;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return false;
    }
    const bool fresh =
        surface != clearedSurface || surface->w != clearedWidth || surface->h != clearedHeight;
    const FramePlacement placement = placeFrame(surface->w, surface->h);
    const bool whole = fresh || !shownValid ||
                       std::memcmp(shownPalette.data(), kept.palette.data(),
                                   sizeof(PaletteColour) * shownPalette.size()) != 0;
    const PixelTarget target = targetOf(surface);
    const std::array<uint32_t, 256> colours = paletteAs(surface->format, kept.palette.data());
    SDL_Rect changed[kMaxChangedAreas + 1];
    int changedCount = 0;
    if (whole) {
        if (fresh) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        }
        changed[changedCount++] =
            toSdl(drawPlacedFrame(target, kept.pixels.data(), colours.data()));
    } else {
        PixelRect areas[kMaxChangedAreas];
        const int count = changedAreas(shownPixels.data(), kept.pixels.data(), areas);
        for (int i = 0; i < count; ++i) {
            changed[changedCount++] = toSdl(
                drawPlacedArea(target, kept.pixels.data(), colours.data(), placement, areas[i]));
        }
    }
    if (pauseSignWanted()) {
        changed[changedCount++] = toSdl(drawPauseSign(surface, placement.place));
    }
    shownPixels = kept.pixels;
    shownPalette = kept.palette;
    shownValid = true;
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    if (fresh) {
        clearedSurface = surface;
        clearedWidth = surface->w;
        clearedHeight = surface->h;
        return SDL_UpdateWindowSurface(window) == 0;
    }
    return changedCount == 0 || SDL_UpdateWindowSurfaceRects(window, changed, changedCount) == 0;
}

bool surfaceReadBack(SDL_Window* window, std::vector<uint32_t>* pixels, int* width, int* height) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || !keptFrame().valid) {
        return false;
    }
    surfaceForget();
    if (!surfacePresent(window)) {
        return false;
    }
    *width = surface->w;
    *height = surface->h;
    pixels->assign(size_t(*width) * size_t(*height), 0);
    return SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                             surface->pitch, SDL_PIXELFORMAT_ARGB8888, pixels->data(),
                             *width * 4) == 0;
}

} // namespace plat::sdl
