// The display on SDL: a window covering the desktop, or, once the player
// has switched with Alt+Enter or F11, a window of its own that can be
// resized. Each presented frame is turned from palette indices into 32-bit
// pixels and drawn at the largest whole-number scale that fits, centred on
// black, with nearest-neighbour sampling so that the pixels stay sharp.
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
#include <cstring>
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

// Where the frame lands on a drawable of the given size: the largest whole
// scale that fits, centred; a drawable smaller than the frame gets it shrunk
// to fit with its 4:3 shape kept.
SDL_Rect frameRect(int outputWidth, int outputHeight) {
    const int scale = std::min(outputWidth / kScreenWidth, outputHeight / kScreenHeight);
    int width = kScreenWidth * scale;
    int height = kScreenHeight * scale;
    if (scale == 0) {
        // Smaller than one frame: shrink, keeping the 4:3 shape.
        width = outputWidth;
        height = outputWidth * kScreenHeight / kScreenWidth;
        if (height > outputHeight) {
            height = outputHeight;
            width = outputHeight * kScreenWidth / kScreenHeight;
        }
    }
    return SDL_Rect{(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

// Clears the whole drawable to black and draws the texture in its place.
void drawFrame() {
    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    const SDL_Rect place = frameRect(width, height);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &place);
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

// A surface smaller than one frame: the whole frame shrunk into its place.
void drawShrunk(SDL_Surface* surface, const uint8_t* pixels, const uint32_t* colours,
                const SDL_Rect& place) {
    auto* base = static_cast<uint8_t*>(surface->pixels);
    for (int y = 0; y < place.h; ++y) {
        auto* target = reinterpret_cast<uint32_t*>(base + size_t(place.y + y) * surface->pitch +
                                                   size_t(place.x) * 4);
        const uint8_t* source = pixels + size_t(y * kScreenHeight / place.h) * kScreenWidth;
        for (int x = 0; x < place.w; ++x) {
            target[x] = colours[source[x * kScreenWidth / place.w]];
        }
    }
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
    const SDL_Rect place = frameRect(surface->w, surface->h);
    const int scale = place.w / kScreenWidth;
    const bool whole = fresh || scale == 0 || !shownValid ||
                       std::memcmp(shownPalette.data(), lastPalette.data(),
                                   sizeof(PaletteColour) * shownPalette.size()) != 0;
    SDL_Rect changed[kMaxChangedAreas];
    int changedCount = 0;
    if (whole) {
        if (fresh) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        }
        sdl::drawFrameOnto(surface, lastPixels.data(), lastPalette.data());
        changed[changedCount++] = place;
    } else {
        SDL_Rect areas[kMaxChangedAreas];
        const int count = changedAreas(shownPixels.data(), lastPixels.data(), areas);
        const std::array<uint32_t, 256> colours = paletteAs(surface->format, lastPalette.data());
        for (int i = 0; i < count; ++i) {
            changed[changedCount++] =
                drawArea(surface, lastPixels.data(), colours.data(), place, scale, areas[i]);
        }
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

SDL_Rect drawFrameOnto(SDL_Surface* surface, const uint8_t* pixels,
                       const PaletteColour palette[256]) {
    const SDL_Rect place = frameRect(surface->w, surface->h);
    const std::array<uint32_t, 256> colours = paletteAs(surface->format, palette);
    const int scale = place.w / kScreenWidth;
    if (scale == 0) {
        drawShrunk(surface, pixels, colours.data(), place);
    } else {
        drawArea(surface, pixels, colours.data(), place, scale,
                 SDL_Rect{0, 0, kScreenWidth, kScreenHeight});
    }
    return place;
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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
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
