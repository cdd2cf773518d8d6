// The display on SDL: a window covering the desktop, or, once the player
// has switched with Alt+Enter or F11, a window of its own that can be
// resized, never below one frame. Each presented frame is kept, turned from
// palette indices into 32-bit pixels and drawn centred on black by the
// shared placement rule: where the window system gives the window a
// framebuffer of its own it is drawn straight into it
// (sdl_present_surface.cpp), elsewhere through a renderer
// (sdl_present_renderer.cpp).
#include "platform/backend.h"
#include "platform/sdl/sdl_icon.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_present.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plat {
namespace {

// The video subsystem, started for the window and quit after it.
struct VideoSubsystem {
    VideoSubsystem() : started(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
    ~VideoSubsystem() {
        if (started) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
    }
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;
    bool started;
};

std::unique_ptr<VideoSubsystem> video;
sdl::WindowPtr window;
// Whether frames go straight into the window's framebuffer.
bool useWindowSurface = false;
bool rendererWanted = false;
bool cursorVisible = true;
bool pauseSignShown = false;
void (*presentHook)() = nullptr;
sdl::KeptFrame kept;

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

// The largest whole scale at which the frame fits the desktop's work area
// (the desktop less its panels), at least 1.
int windowScale(int display) {
    SDL_Rect area{0, 0, kScreenWidth, kScreenHeight};
    if (SDL_GetDisplayUsableBounds(display, &area) != 0) {
        SDL_GetDisplayBounds(display, &area);
    }
    return std::max(1, std::min(area.w / kScreenWidth, area.h / kScreenHeight));
}

// A window is never smaller than one whole frame. SDL hands the minimum to
// the window system only while the window is not full screen, so it is set
// again each time the game becomes a window.
void keepMinimumSize() {
    SDL_SetWindowMinimumSize(window.get(), kScreenWidth, kScreenHeight);
}

// An open that fails half-way keeps SDL's reason for the player's line,
// whatever freeing what it made says.
bool failOpen() {
    const std::string reason = SDL_GetError();
    backend::displayClose();
    SDL_SetError("%s", reason.c_str());
    return false;
}

} // namespace

namespace sdl {

bool skipWaylandWithoutDisplay() {
    // With no Wayland display named there is nothing to reach, and trying
    // makes libwayland print its own line before the game's. The player's
    // own choice of driver stays.
    if (std::getenv("WAYLAND_DISPLAY") != nullptr || std::getenv("SDL_VIDEODRIVER") != nullptr) {
        return false;
    }
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        // The drivers that draw nowhere are only ever taken when named.
        if (SDL_strcmp(name, "wayland") == 0 || SDL_strcmp(name, "dummy") == 0 ||
            SDL_strcmp(name, "offscreen") == 0 || SDL_strcmp(name, "evdev") == 0) {
            continue;
        }
        if (!drivers.empty()) {
            drivers += ',';
        }
        drivers += name;
    }
    return !drivers.empty() && SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str()) == SDL_TRUE;
}

const KeptFrame& keptFrame() {
    return kept;
}

bool pauseSignWanted() {
    return pauseSignShown;
}

std::array<uint32_t, 256> paletteAs(const SDL_PixelFormat* format,
                                    const PaletteColour palette[256]) {
    std::array<uint32_t, 256> colours;
    for (size_t i = 0; i < colours.size(); ++i) {
        const PaletteColour& c = palette[i];
        colours[i] = SDL_MapRGB(format, c.red, c.green, c.blue);
    }
    return colours;
}

SDL_Rect toSdl(const PixelRect& rect) {
    return SDL_Rect{rect.x, rect.y, rect.w, rect.h};
}

void showPauseSign(bool shown) {
    if (pauseSignShown == shown) {
        return;
    }
    pauseSignShown = shown;
    // Taking the sign away needs the frame under it drawn again.
    surfaceForget();
    redrawLastFrame();
}

void redrawLastFrame() {
    if (!kept.valid || window == nullptr) {
        return;
    }
    if (useWindowSurface) {
        // A framebuffer the window lost (resized, exposed) is cleared anew.
        surfaceForget();
        surfacePresent(window.get());
    } else {
        rendererPresent();
    }
}

void toggleFullscreen() {
    if (window == nullptr) {
        return;
    }
    SDL_Window* shown = window.get();
    const int display = std::max(0, SDL_GetWindowDisplayIndex(shown));
    if ((SDL_GetWindowFlags(shown) & SDL_WINDOW_FULLSCREEN) != 0) {
        SDL_SetWindowFullscreen(shown, 0);
        keepMinimumSize();
        const int scale = windowScale(display);
        SDL_SetWindowSize(shown, kScreenWidth * scale, kScreenHeight * scale);
        SDL_SetWindowPosition(shown, int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                              int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)));
    } else {
        // Covering the desktop first, as at the start, for window systems
        // that do not honour the full-screen request.
        SDL_Rect desktop{0, 0, kScreenWidth, kScreenHeight};
        SDL_GetDisplayBounds(display, &desktop);
        SDL_SetWindowPosition(shown, desktop.x, desktop.y);
        SDL_SetWindowSize(shown, desktop.w, desktop.h);
        SDL_SetWindowFullscreen(shown, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    redrawLastFrame();
}

void recreateTexture() {
    rendererRemakeTextures();
}

namespace testing {

SDL_Window* window() {
    return plat::window.get();
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
    if (plat::window == nullptr) {
        return false;
    }
    return useWindowSurface ? surfaceReadBack(plat::window.get(), pixels, width, height)
                            : rendererReadBack(pixels, width, height);
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
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", QV_APP_ID, 0);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", QV_APP_ID, 0);
    const bool desktopDriversOnly = sdl::skipWaylandWithoutDisplay();
    // The game's own main starts SDL (SDL's stand-in for it is not linked),
    // here and wherever a subsystem starts.
    SDL_SetMainReady();
    video = std::make_unique<VideoSubsystem>();
    if (!video->started) {
        // None of the drivers that reach a desktop could start: the same
        // line as when SDL falls back to one that draws nowhere.
        if (desktopDriversOnly) {
            SDL_SetError("no X11 or Wayland desktop could be reached");
        }
        return failOpen();
    }
    if (!onRealScreen()) {
        SDL_SetError("no X11 or Wayland desktop could be reached");
        return failOpen();
    }
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // The window's framebuffer is wanted as the window system gives it, not
    // emulated through a renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    // The window is made as large as the desktop from the start: without a
    // window manager to honour the full-screen request it would otherwise
    // stay at the size it was created with.
    SDL_Rect desktop{0, 0, kScreenWidth, kScreenHeight};
    SDL_GetDisplayBounds(0, &desktop);
    window.reset(SDL_CreateWindow("Quorvelindaxtor", desktop.x, desktop.y, desktop.w, desktop.h,
                                  SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_RESIZABLE));
    if (window == nullptr) {
        return failOpen();
    }
    sdl::setWindowIcon(window.get());
    sdl::watchForDisplayLoss();
    keepMinimumSize();
    kept.pixels.assign(size_t(kScreenWidth) * kScreenHeight, 0);
    kept.palette.fill(PaletteColour{0, 0, 0, 0});
    kept.valid = false;
    useWindowSurface = !rendererWanted && sdl::surfaceOpen(window.get());
    if (!useWindowSurface && !sdl::rendererOpen(window.get())) {
        return failOpen();
    }
    sdl::gamepadsOpen();
    SDL_ShowCursor(cursorVisible ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void displayClose() {
    sdl::gamepadsClose();
    sdl::forgetWindowState();
    pauseSignShown = false;
    sdl::surfaceClose();
    sdl::rendererClose();
    useWindowSurface = false;
    window.reset();
    video.reset();
    kept = sdl::KeptFrame{};
}

void displayPresent(const uint8_t* pixels, const PaletteColour palette[256]) {
    if (window == nullptr) {
        return;
    }
    std::memcpy(kept.pixels.data(), pixels, kept.pixels.size());
    std::copy(palette, palette + 256, kept.palette.begin());
    kept.valid = true;
    if (useWindowSurface) {
        sdl::surfacePresent(window.get());
    } else {
        sdl::rendererPresent();
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
