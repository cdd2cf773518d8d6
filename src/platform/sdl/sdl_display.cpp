// The display on SDL: a window covering the desktop. Each presented frame is
// turned from palette indices into 32-bit pixels and drawn at the largest
// whole-number scale that fits, centred on black, with nearest-neighbour
// sampling so that the pixels stay sharp.
//
// Where the window system gives the window a framebuffer of its own (X11
// shared memory), the frame is scaled straight into it: that costs a few per
// cent of a core, where going through a renderer costs several times that
// on machines whose OpenGL runs on the processor. Elsewhere a renderer and
// one 640x480 streaming texture do the work.
#include "platform/backend.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdlib>
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

// QV_WINDOWED=N opens a window at N times 640x480 (1 to 8) instead of taking
// the whole desktop; handy while developing and on a virtual X server.
int windowedScale() {
    const char* value = std::getenv("QV_WINDOWED");
    if (value == nullptr || *value == '\0') {
        return 0;
    }
    const int scale = std::atoi(value);
    return std::clamp(scale, 1, 8);
}

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

// The kept palette as pixels of the given format.
std::array<uint32_t, 256> paletteAs(const SDL_PixelFormat* format) {
    std::array<uint32_t, 256> colours;
    for (size_t i = 0; i < colours.size(); ++i) {
        const PaletteColour& c = lastPalette[i];
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
    const std::array<uint32_t, 256> colours = paletteAs(argb);
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

// Scales the kept frame into the window's framebuffer: each frame row is
// turned into one row of the target, which is then copied down for the
// rows that repeat it.
bool drawIntoWindowSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->format->BytesPerPixel != 4) {
        return false;
    }
    const SDL_Rect place = frameRect(surface->w, surface->h);
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return false;
    }
    const bool fresh =
        surface != clearedSurface || surface->w != clearedWidth || surface->h != clearedHeight;
    if (fresh) {
        // A new or resized framebuffer: black borders around the frame.
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    }
    const std::array<uint32_t, 256> colours = paletteAs(surface->format);
    // Which frame column each column of the target shows; made again only
    // when the frame's width on screen changes.
    static std::vector<int> sourceColumn;
    if (sourceColumn.size() != size_t(place.w)) {
        sourceColumn.resize(size_t(place.w));
        for (int x = 0; x < place.w; ++x) {
            sourceColumn[size_t(x)] = x * kScreenWidth / place.w;
        }
    }
    auto* base = static_cast<uint8_t*>(surface->pixels);
    const size_t rowBytes = size_t(place.w) * 4;
    int previousSource = -1;
    uint8_t* previousRow = nullptr;
    for (int y = 0; y < place.h; ++y) {
        auto* row = base + size_t(place.y + y) * surface->pitch + size_t(place.x) * 4;
        const int sourceRow = y * kScreenHeight / place.h;
        if (sourceRow == previousSource) {
            std::memcpy(row, previousRow, rowBytes);
            continue;
        }
        const uint8_t* source = lastPixels.data() + size_t(sourceRow) * kScreenWidth;
        auto* target = reinterpret_cast<uint32_t*>(row);
        for (int x = 0; x < place.w; ++x) {
            target[x] = colours[source[sourceColumn[size_t(x)]]];
        }
        previousSource = sourceRow;
        previousRow = row;
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    if (fresh) {
        clearedSurface = surface;
        clearedWidth = surface->w;
        clearedHeight = surface->h;
        return SDL_UpdateWindowSurface(window) == 0;
    }
    return SDL_UpdateWindowSurfaceRects(window, &place, 1) == 0;
}

} // namespace

namespace sdl {

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
        displayClose();
        return false;
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // The window's framebuffer is wanted as the window system gives it, not
    // emulated through a renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    const int scale = windowedScale();
    if (scale > 0) {
        window = SDL_CreateWindow("Quorvelindaxtor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  kScreenWidth * scale, kScreenHeight * scale, SDL_WINDOW_SHOWN);
    } else {
        // The window is made as large as the desktop from the start: without
        // a window manager to honour the full-screen request it would
        // otherwise stay at the size it was created with.
        SDL_Rect desktop{0, 0, kScreenWidth, kScreenHeight};
        SDL_GetDisplayBounds(0, &desktop);
        window = SDL_CreateWindow("Quorvelindaxtor", desktop.x, desktop.y, desktop.w, desktop.h,
                                  SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (window == nullptr) {
        displayClose();
        return false;
    }
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
