// The display on SDL: a window covering the desktop, or, once the player
// has switched with Alt+Enter or F11, a window of its own that can be
// resized, never below one frame. Each presented frame is turned from
// palette indices into 32-bit pixels and drawn centred on black: at the
// largest whole-number scale that fits, each game pixel an exact block,
// where that fills the screen well enough; otherwise as large as the screen
// allows, widened by a whole scale and smoothed by the small rest, so that
// pixels stay sharp and the picture keeps its 4:3 shape (placeFrame).
//
// Where the window system gives the window a framebuffer of its own (X11
// shared memory), the frame is scaled straight into it, and only the parts
// that differ from the frame before are drawn and sent to the screen: most
// of a frame is the same background as the last one. Going through a
// renderer costs several times that on machines whose OpenGL runs on the
// processor. Elsewhere a renderer and one 640x480 streaming texture do the
// work.
#include "platform/backend.h"
#include "platform/sdl/sdl_icon.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace plat {
namespace {

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
// The window's own framebuffer, when frames are drawn straight into it.
bool useWindowSurface = false;
// The framebuffer the borders were last cleared on, and its size.
SDL_Surface* clearedSurface = nullptr;
int clearedWidth = 0;
int clearedHeight = 0;
bool videoStarted = false;
bool rendererWanted = false;
bool cursorVisible = true;
void (*presentHook)() = nullptr;

// The frame last handed to displayPresent, kept to show it again whenever
// the desktop asks for the window's contents.
std::vector<uint8_t> lastPixels;
std::array<PaletteColour, 256> lastPalette{};
bool haveFrame = false;

// With no desktop to reach, SDL falls back to drivers that draw nowhere.
// A game nobody can see is not worth starting, unless one of them was asked
// for by name.
bool onRealScreen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return false;
    }
    if (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0 &&
        SDL_strcmp(driver, "evdev") != 0) {
        return true;
    }
    const char* wanted = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return wanted != nullptr && SDL_strcasestr(wanted, driver) != nullptr;
}

bool makeTexture() {
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                kScreenWidth, kScreenHeight);
    if (texture == nullptr) {
        return false;
    }
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
    return true;
}

// A palette as pixels of the given format.
std::array<uint32_t, 256> paletteAs(const SDL_PixelFormat* format,
                                    const PaletteColour palette[256]) {
    std::array<uint32_t, 256> colours;
    for (size_t i = 0; i < colours.size(); ++i) {
        const PaletteColour& c = palette[i];
        colours[i] = SDL_MapRGB(format, c.red, c.green, c.blue);
    }
    return colours;
}

// Copies the kept frame into the texture through its palette.
bool uploadFrame() {
    SDL_PixelFormat* argb = SDL_AllocFormat(SDL_PIXELFORMAT_ARGB8888);
    if (argb == nullptr) {
        return false;
    }
    const std::array<uint32_t, 256> colours = paletteAs(argb, lastPalette.data());
    SDL_FreeFormat(argb);
    void* target = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &target, &pitch) != 0) {
        return false;
    }
    const uint8_t* source = lastPixels.data();
    for (int y = 0; y < kScreenHeight; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target) + size_t(y) * pitch);
        for (int x = 0; x < kScreenWidth; ++x) {
            row[x] = colours[source[x]];
        }
        source += kScreenWidth;
    }
    SDL_UnlockTexture(texture);
    return true;
}

// The game's picture drawn smoothly on the renderer: the 640x480 texture
// widened by the placement's whole scale into this one, which is then drawn
// linearly onto the place. Remade when the scale changes.
SDL_Texture* widened = nullptr;
int widenedScale = 0;

void dropWidenedTexture() {
    if (widened != nullptr) {
        SDL_DestroyTexture(widened);
        widened = nullptr;
        widenedScale = 0;
    }
}

SDL_Texture* widenedTexture(int scale) {
    if (widened != nullptr && widenedScale == scale) {
        return widened;
    }
    dropWidenedTexture();
    widened = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                kScreenWidth * scale, kScreenHeight * scale);
    widenedScale = widened != nullptr ? scale : 0;
    if (widened != nullptr) {
        SDL_SetTextureScaleMode(widened, SDL_ScaleModeLinear);
        SDL_SetTextureBlendMode(widened, SDL_BLENDMODE_NONE);
    }
    return widened;
}

bool pauseSignShown = false;

// The pause sign's bars and the box around them, in the picture's place: a
// dark box with two light bars, about 48 game pixels across whatever the
// scale, centred across the picture a quarter of the way down, under the
// counters and clear of where the ship starts.
struct PauseSign {
    SDL_Rect box;
    SDL_Rect bars[2];
};

PauseSign pauseSignIn(const SDL_Rect& place) {
    auto unit = [&](int gamePixels) { return std::max(1, gamePixels * place.h / kScreenHeight); };
    PauseSign sign;
    const int size = unit(48);
    sign.box =
        SDL_Rect{place.x + (place.w - size) / 2, place.y + (place.h / 4 - size / 2), size, size};
    const int barWidth = unit(10);
    const int barHeight = unit(28);
    const int gap = unit(8);
    const int left = sign.box.x + (size - 2 * barWidth - gap) / 2;
    const int top = sign.box.y + (size - barHeight) / 2;
    sign.bars[0] = SDL_Rect{left, top, barWidth, barHeight};
    sign.bars[1] = SDL_Rect{left + barWidth + gap, top, barWidth, barHeight};
    return sign;
}

// Clears the whole drawable to black and draws the texture in its place,
// with the pause sign over it while the game is paused.
void drawFrame() {
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    const sdl::FramePlacement placement = sdl::placeFrame(width, height);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_Texture* smooth = placement.smooth ? widenedTexture(placement.scale) : nullptr;
    if (smooth != nullptr && SDL_SetRenderTarget(renderer, smooth) == 0) {
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_SetRenderTarget(renderer, nullptr);
        SDL_RenderCopy(renderer, smooth, nullptr, &placement.place);
    } else {
        SDL_RenderCopy(renderer, texture, nullptr, &placement.place);
    }
    if (pauseSignShown) {
        const PauseSign sign = pauseSignIn(placement.place);
        SDL_SetRenderDrawColor(renderer, 24, 24, 32, 255);
        SDL_RenderFillRect(renderer, &sign.box);
        SDL_SetRenderDrawColor(renderer, 240, 240, 240, 255);
        SDL_RenderFillRects(renderer, sign.bars, 2);
    }
}

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

// Draws one area of the frame (in frame pixels) at a whole scale onto the
// frame's place on the surface: each frame row is turned into one target
// row, which is then copied down for the rows that repeat it. Returns the
// part of the surface drawn.
SDL_Rect drawArea(SDL_Surface* surface, const uint8_t* pixels, const uint32_t* colours,
                  const SDL_Rect& place, int scale, const SDL_Rect& area) {
    const SDL_Rect drawn{place.x + area.x * scale, place.y + area.y * scale, area.w * scale,
                         area.h * scale};
    auto* base = static_cast<uint8_t*>(surface->pixels);
    const size_t pitch = size_t(surface->pitch);
    const size_t rowBytes = size_t(drawn.w) * 4;
    for (int y = 0; y < area.h; ++y) {
        uint8_t* row = base + size_t(drawn.y + y * scale) * pitch + size_t(drawn.x) * 4;
        widenRow(pixels + size_t(area.y + y) * kScreenWidth + size_t(area.x), area.w, colours,
                 scale, reinterpret_cast<uint32_t*>(row));
        for (int repeat = 1; repeat < scale; ++repeat) {
            std::memcpy(row + size_t(repeat) * pitch, row, rowBytes);
        }
    }
    return drawn;
}

// One output column (or row) of the smooth picture: the two game pixels it
// lies between, after widening by the whole scale, and the weight of the
// second in 256ths.
struct Tap {
    uint16_t first;
    uint16_t second;
    uint16_t weight;
};

// The taps of a picture of the given size, for the widened picture's pixel
// centres sampled linearly at the output's pixel centres.
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

// The taps for the present placement, made again only when it changes.
struct SmoothTaps {
    int width = 0;
    int height = 0;
    int scale = 0;
    std::vector<Tap> columns;
    std::vector<Tap> rows;
};
SmoothTaps smoothTaps;

const SmoothTaps& tapsOf(const sdl::FramePlacement& placement) {
    SmoothTaps& taps = smoothTaps;
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
// (in frame pixels) reaches, and returns that part of the surface.
SDL_Rect drawSmoothArea(SDL_Surface* surface, const uint8_t* pixels, const uint32_t* colours,
                        const sdl::FramePlacement& placement, const SDL_Rect& area) {
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
        return SDL_Rect{placement.place.x, placement.place.y, 0, 0};
    }
    auto* base = static_cast<uint8_t*>(surface->pixels);
    for (int y = top; y < bottom; ++y) {
        const Tap& row = taps.rows[size_t(y)];
        const uint8_t* upper = pixels + size_t(row.first) * kScreenWidth;
        const uint8_t* lower = pixels + size_t(row.second) * kScreenWidth;
        auto* target = reinterpret_cast<uint32_t*>(
            base + size_t(placement.place.y + y) * size_t(surface->pitch) +
            size_t(placement.place.x) * 4);
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
            target[x] = colour;
        }
    }
    return SDL_Rect{placement.place.x + left, placement.place.y + top, right - left, bottom - top};
}

// Draws one area of the frame as the placement wants it.
SDL_Rect drawPlacedArea(SDL_Surface* surface, const uint8_t* pixels, const uint32_t* colours,
                        const sdl::FramePlacement& placement, const SDL_Rect& area) {
    if (placement.smooth) {
        return drawSmoothArea(surface, pixels, colours, placement, area);
    }
    return drawArea(surface, pixels, colours, placement.place, placement.scale, area);
}

// The pause sign, drawn straight onto the window's framebuffer.
SDL_Rect drawPauseSign(SDL_Surface* surface, const SDL_Rect& place) {
    const PauseSign sign = pauseSignIn(place);
    SDL_Rect box = sign.box;
    SDL_Rect bars[2] = {sign.bars[0], sign.bars[1]};
    SDL_FillRect(surface, &box, SDL_MapRGB(surface->format, 24, 24, 32));
    SDL_FillRects(surface, bars, 2, SDL_MapRGB(surface->format, 240, 240, 240));
    return sign.box;
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

// Where a frame differs from the one shown before it, in frame pixels: runs
// of changed rows, runs a few rows apart joined into one, each as wide as
// the columns that changed in it. Too many runs become one that holds them
// all. Returns how many areas were written.
constexpr int kMaxChangedAreas = 16;
constexpr int kJoinedRowGap = 8;

int changedAreas(const uint8_t* shown, const uint8_t* next, SDL_Rect areas[kMaxChangedAreas]) {
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
        SDL_Rect* open = count > 0 ? &areas[count - 1] : nullptr;
        if (open != nullptr && y - (open->y + open->h) <= kJoinedRowGap) {
            const int openRight = open->x + open->w;
            open->x = std::min(open->x, left);
            open->w = std::max(openRight, right) - open->x;
            open->h = y + 1 - open->y;
        } else if (count < kMaxChangedAreas) {
            areas[count++] = SDL_Rect{left, y, right - left, 1};
        } else {
            overflow = true;
        }
    }
    if (overflow) {
        areas[0] = SDL_Rect{bounds[0], bounds[1], bounds[2] - bounds[0], bounds[3] - bounds[1]};
        return 1;
    }
    return count;
}

// What the window's framebuffer shows: the frame and palette drawn into it
// last, so that the next frame redraws only what differs.
std::vector<uint8_t> shownPixels;
std::array<PaletteColour, 256> shownPalette{};
bool shownValid = false;

// Scales the kept frame into the window's framebuffer. A new or resized
// framebuffer gets black borders and the whole frame; otherwise only the
// parts that changed since the last frame are drawn and sent on.
bool drawIntoWindowSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->format->BytesPerPixel != 4) {
        return false;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return false;
    }
    const bool fresh =
        surface != clearedSurface || surface->w != clearedWidth || surface->h != clearedHeight;
    const sdl::FramePlacement placement = sdl::placeFrame(surface->w, surface->h);
    const bool whole = fresh || !shownValid ||
                       std::memcmp(shownPalette.data(), lastPalette.data(),
                                   sizeof(PaletteColour) * shownPalette.size()) != 0;
    SDL_Rect changed[kMaxChangedAreas + 1];
    int changedCount = 0;
    if (whole) {
        if (fresh) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        }
        changed[changedCount++] =
            sdl::drawFrameOnto(surface, lastPixels.data(), lastPalette.data());
    } else {
        SDL_Rect areas[kMaxChangedAreas];
        const int count = changedAreas(shownPixels.data(), lastPixels.data(), areas);
        const std::array<uint32_t, 256> colours = paletteAs(surface->format, lastPalette.data());
        for (int i = 0; i < count; ++i) {
            changed[changedCount++] =
                drawPlacedArea(surface, lastPixels.data(), colours.data(), placement, areas[i]);
        }
    }
    if (pauseSignShown) {
        changed[changedCount++] = drawPauseSign(surface, placement.place);
    }
    shownPixels = lastPixels;
    shownPalette = lastPalette;
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

// The largest whole scale at which the frame fits the desktop's work area
// (the desktop less its panels), at least 1.
int windowScale(int display) {
    SDL_Rect area{0, 0, kScreenWidth, kScreenHeight};
    if (SDL_GetDisplayUsableBounds(display, &area) != 0) {
        SDL_GetDisplayBounds(display, &area);
    }
    return std::max(1, std::min(area.w / kScreenWidth, area.h / kScreenHeight));
}

} // namespace

namespace sdl {

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
        SDL_Rect{(width - fitWidth) / 2, (height - fitHeight) / 2, fitWidth, fitHeight};
    return placement;
}

void showPauseSign(bool shown) {
    if (pauseSignShown == shown) {
        return;
    }
    pauseSignShown = shown;
    // Taking the sign away needs the frame under it drawn again.
    clearedSurface = nullptr;
    redrawLastFrame();
}

SDL_Rect drawFrameOnto(SDL_Surface* surface, const uint8_t* pixels,
                       const PaletteColour palette[256]) {
    const FramePlacement placement = placeFrame(surface->w, surface->h);
    const std::array<uint32_t, 256> colours = paletteAs(surface->format, palette);
    drawPlacedArea(surface, pixels, colours.data(), placement,
                   SDL_Rect{0, 0, kScreenWidth, kScreenHeight});
    return placement.place;
}

void redrawLastFrame() {
    if (!haveFrame) {
        return;
    }
    if (useWindowSurface) {
        // A framebuffer the window lost (resized, exposed) is cleared anew.
        clearedSurface = nullptr;
        drawIntoWindowSurface();
        return;
    }
    if (renderer == nullptr || texture == nullptr) {
        return;
    }
    if (uploadFrame()) {
        drawFrame();
        SDL_RenderPresent(renderer);
    }
}

void toggleFullscreen() {
    if (window == nullptr) {
        return;
    }
    const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0) {
        SDL_SetWindowFullscreen(window, 0);
        const int scale = windowScale(display);
        SDL_SetWindowSize(window, kScreenWidth * scale, kScreenHeight * scale);
        SDL_SetWindowPosition(window, int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                              int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)));
    } else {
        // Covering the desktop first, as at the start, for window systems
        // that do not honour the full-screen request.
        SDL_Rect desktop{0, 0, kScreenWidth, kScreenHeight};
        SDL_GetDisplayBounds(display, &desktop);
        SDL_SetWindowPosition(window, desktop.x, desktop.y);
        SDL_SetWindowSize(window, desktop.w, desktop.h);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    redrawLastFrame();
}

void recreateTexture() {
    if (renderer == nullptr) {
        return;
    }
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    dropWidenedTexture();
    makeTexture();
}

namespace testing {

SDL_Window* window() {
    return plat::window;
}

void presentThroughRenderer(bool renderer) {
    rendererWanted = renderer;
}

bool drawsIntoWindowSurface() {
    return useWindowSurface;
}

void onPresent(void (*hook)()) {
    presentHook = hook;
}

bool readBackFrame(std::vector<uint32_t>* pixels, int* width, int* height) {
    if (useWindowSurface) {
        SDL_Surface* surface = SDL_GetWindowSurface(plat::window);
        if (surface == nullptr || !haveFrame) {
            return false;
        }
        clearedSurface = nullptr;
        if (!drawIntoWindowSurface()) {
            return false;
        }
        *width = surface->w;
        *height = surface->h;
        pixels->assign(size_t(*width) * size_t(*height), 0);
        return SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                                 surface->pitch, SDL_PIXELFORMAT_ARGB8888, pixels->data(),
                                 *width * 4) == 0;
    }
    if (renderer == nullptr || texture == nullptr || !haveFrame || !uploadFrame()) {
        return false;
    }
    drawFrame();
    SDL_GetRendererOutputSize(renderer, width, height);
    pixels->assign(size_t(*width) * size_t(*height), 0);
    return SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels->data(),
                                *width * 4) == 0;
}

} // namespace testing
} // namespace sdl

namespace backend {

bool displayOpen() {
    if (window != nullptr) {
        return true;
    }
    // The window says it is the game of the desktop entry, so that docks
    // and task bars tie it to its launcher and icon: the X11 class and the
    // Wayland application id are the entry's id. SDL reads them from the
    // environment when video starts; a player's own setting stays.
    setenv("SDL_VIDEO_X11_WMCLASS", QV_APP_ID, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", QV_APP_ID, 0);
    if (!sdl::startVideo()) {
        return false;
    }
    videoStarted = true;
    if (!onRealScreen()) {
        SDL_SetError("no X11 or Wayland desktop could be reached");
        displayClose();
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // The window's framebuffer is wanted as the window system gives it, not
    // emulated through a renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    // The window is made as large as the desktop from the start: without a
    // window manager to honour the full-screen request it would otherwise
    // stay at the size it was created with. It can be resized once it has
    // become a window, never below one whole frame.
    SDL_Rect desktop{0, 0, kScreenWidth, kScreenHeight};
    SDL_GetDisplayBounds(0, &desktop);
    window = SDL_CreateWindow("Quorvelindaxtor", desktop.x, desktop.y, desktop.w, desktop.h,
                              SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE);
    if (window == nullptr) {
        displayClose();
        return false;
    }
    sdl::setWindowIcon(window);
    sdl::watchForDisplayLoss();
    SDL_SetWindowMinimumSize(window, kScreenWidth, kScreenHeight);
    sdl::gamepadsOpen();
    lastPixels.assign(size_t(kScreenWidth) * kScreenHeight, 0);
    lastPalette.fill(PaletteColour{0, 0, 0, 0});
    haveFrame = false;
    clearedSurface = nullptr;
    if (SDL_Surface* surface = rendererWanted ? nullptr : SDL_GetWindowSurface(window);
        surface != nullptr && surface->format->BytesPerPixel == 4) {
        useWindowSurface = true;
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        SDL_UpdateWindowSurface(window);
        SDL_ShowCursor(cursorVisible ? SDL_ENABLE : SDL_DISABLE);
        return true;
    }

    // The game sets its own pace, so presenting does not wait for the
    // vertical blank; a machine without graphics acceleration still plays.
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer == nullptr || !makeTexture()) {
        displayClose();
        return false;
    }

    lastPixels.assign(size_t(kScreenWidth) * kScreenHeight, 0);
    lastPalette.fill(PaletteColour{0, 0, 0, 0});
    haveFrame = false;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    SDL_ShowCursor(cursorVisible ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void displayClose() {
    sdl::gamepadsClose();
    sdl::forgetWindowState();
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    dropWidenedTexture();
    pauseSignShown = false;
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted = false;
    }
    haveFrame = false;
    useWindowSurface = false;
    clearedSurface = nullptr;
    lastPixels.clear();
    lastPixels.shrink_to_fit();
    shownPixels.clear();
    shownPixels.shrink_to_fit();
    shownValid = false;
}

void displayPresent(const uint8_t* pixels, const PaletteColour palette[256]) {
    if (renderer == nullptr && !useWindowSurface) {
        return;
    }
    std::memcpy(lastPixels.data(), pixels, lastPixels.size());
    std::copy(palette, palette + 256, lastPalette.begin());
    haveFrame = true;
    if (useWindowSurface) {
        drawIntoWindowSurface();
    } else {
        sdl::redrawLastFrame();
    }
    if (presentHook != nullptr) {
        presentHook();
    }
}

// The entry hides the cursor before the display exists, and opening the
// video subsystem shows it again, so the wish is kept and applied on open.
void cursorShow(bool show) {
    cursorVisible = show;
    if (window != nullptr) {
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }
}

} // namespace backend
} // namespace plat
