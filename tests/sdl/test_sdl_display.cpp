// The SDL display on a 1920x1080 virtual X screen: placement, scaling and
// palette of the presented frame, full screen and window, resizes, redrawing
// only what changed, exposures, the cursor.
#include "platform/backend.h"
#include "platform/placement.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

// Last: the X headers (SDL's window-system header among them) define macros
// (None, Bool, Status) that clash with names inside GoogleTest.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

namespace backend = plat::backend;
namespace sdltest = plat::sdl::testing;
constexpr int W = plat::kScreenWidth;
constexpr int H = plat::kScreenHeight;

void settle() {
    for (int i = 0; i < 20; ++i) {
        backend::pumpEvents();
        SDL_Delay(5);
    }
}

// A frame whose neighbouring pixels all differ, and a palette whose entries
// all differ, so that any blending or misplaced row shows; the flags byte
// must not show.
struct TestFrame {
    std::vector<uint8_t> pixels;
    plat::PaletteColour palette[256];

    TestFrame() : pixels(size_t(W) * H) {
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = uint8_t(i % W + 3 * (i / W));
        }
        for (int i = 0; i < 256; ++i) {
            palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 4};
        }
    }
    uint8_t& at(int x, int y) { return pixels[size_t(y) * W + size_t(x)]; }
    void present() const { backend::displayPresent(pixels.data(), palette); }
};

// The pixels of a width x height picture of the display that are not the
// frame as placeFrame places it, on black. At a whole scale every pixel is
// exactly its game pixel's colour; smoothed, each channel must lie between
// those of the (up to four) game pixels around the spot it samples.
int wrongPixels(const std::vector<uint32_t>& shown, int width, int height, const TestFrame& frame) {
    const plat::FramePlacement placement = plat::placeFrame(width, height);
    const plat::PixelRect& place = placement.place;
    auto colourAt = [&](int x, int y) {
        const plat::PaletteColour& c =
            frame.palette[frame.pixels[size_t(std::clamp(y, 0, H - 1)) * W +
                                       size_t(std::clamp(x, 0, W - 1))]];
        return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
    };
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t got = shown[size_t(y) * width + x] & 0xFFFFFF;
            if (x < place.x || y < place.y || x >= place.x + place.w || y >= place.y + place.h) {
                wrong += got != 0;
            } else if (!placement.smooth) {
                wrong += got !=
                         colourAt((x - place.x) / placement.scale, (y - place.y) / placement.scale);
            } else {
                // The game pixel under this pixel's centre, and its
                // neighbours towards the centre's side.
                const double gx = (x - place.x + 0.5) * W / place.w - 0.5;
                const double gy = (y - place.y + 0.5) * H / place.h - 0.5;
                const int x0 = int(std::floor(gx));
                const int y0 = int(std::floor(gy));
                for (int shift : {0, 8, 16}) {
                    int low = 255;
                    int high = 0;
                    for (int dy = 0; dy <= 1; ++dy) {
                        for (int dx = 0; dx <= 1; ++dx) {
                            const int v = int(colourAt(x0 + dx, y0 + dy) >> shift & 0xFF);
                            low = std::min(low, v);
                            high = std::max(high, v);
                        }
                    }
                    const int v = int(got >> shift & 0xFF);
                    if (v < low - 1 || v > high + 1) {
                        ++wrong;
                        break;
                    }
                }
            }
        }
    }
    return wrong;
}

// What the X server shows in the game's window, as 0xRRGGBB values: what
// reached the screen, not only what the game drew.
bool grabWindow(std::vector<uint32_t>* pixels, int* width, int* height) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdltest::window(), &info) || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    ::Display* display = info.info.x11.display;
    const ::Window xwindow = info.info.x11.window;
    XSync(display, False);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, xwindow, &attributes) == 0) {
        return false;
    }
    XImage* image = XGetImage(display, xwindow, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    *width = image->width;
    *height = image->height;
    pixels->resize(size_t(*width) * size_t(*height));
    for (int y = 0; y < *height; ++y) {
        for (int x = 0; x < *width; ++x) {
            (*pixels)[size_t(y) * size_t(*width) + size_t(x)] =
                uint32_t(XGetPixel(image, x, y) & 0xFFFFFF);
        }
    }
    XDestroyImage(image);
    return true;
}

bool isFullScreen() {
    return (SDL_GetWindowFlags(sdltest::window()) & SDL_WINDOW_FULLSCREEN) != 0;
}

std::pair<int, int> windowSize() {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(sdltest::window(), &width, &height);
    return {width, height};
}

// Pumps until the window has the size or half a second has passed.
bool becomesSize(int width, int height) {
    for (int i = 0; i < 100 && windowSize() != std::pair{width, height}; ++i) {
        backend::pumpEvents();
        SDL_Delay(5);
    }
    settle();
    return windowSize() == std::pair{width, height};
}

void checkDoubledFrame();

class SdlDisplay : public ::testing::Test {
  protected:
    void TearDown() override {
        sdltest::presentThroughRenderer(false);
        backend::displayClose();
        plat::windowSystemReset();
    }
};

// Both ways of presenting: straight into the window's framebuffer, and
// through a renderer where the window system has no framebuffer to give.
TEST_F(SdlDisplay, FrameDoubledOnBlackBordersThroughItsPalette) {
    for (bool throughRenderer : {false, true}) {
        SCOPED_TRACE(throughRenderer ? "through a renderer" : "into the window's framebuffer");
        sdltest::presentThroughRenderer(throughRenderer);
        checkDoubledFrame();
        EXPECT_EQ(sdltest::drawsIntoWindowSurface(), !throughRenderer);
        backend::displayClose();
    }
}

void checkDoubledFrame() {
    ASSERT_TRUE(backend::displayOpen()) << SDL_GetError();
    SDL_Window* window = sdltest::window();
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Quorvelindaxtor");
    EXPECT_TRUE(isFullScreen());
    // The window's class names the desktop entry, for docks to match.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
    XClassHint hint{};
    ASSERT_NE(XGetClassHint(info.info.x11.display, info.info.x11.window, &hint), 0);
    EXPECT_STREQ(hint.res_name, QV_APP_ID);
    EXPECT_STREQ(hint.res_class, QV_APP_ID);
    XFree(hint.res_name);
    XFree(hint.res_class);

    const TestFrame frame;
    frame.present();
    settle();

    std::vector<uint32_t> shown;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
    ASSERT_EQ(width, 1920) << "the display tests want a 1920x1080 X screen";
    ASSERT_EQ(height, 1080);
    // Twice 640x480 fits 1920x1080: 320 columns of border at each side,
    // 60 rows above and below.
    EXPECT_EQ(wrongPixels(shown, width, height, frame), 0);
}

// Full screen, then a window at the largest whole scale that fits the
// desktop, then full screen again; through both ways of presenting.
TEST_F(SdlDisplay, TogglesBetweenFullScreenAndAWindowAtTwiceTheFrame) {
    for (bool throughRenderer : {false, true}) {
        SCOPED_TRACE(throughRenderer ? "through a renderer" : "into the window's framebuffer");
        sdltest::presentThroughRenderer(throughRenderer);
        ASSERT_TRUE(backend::displayOpen()) << SDL_GetError();
        const TestFrame frame;
        frame.present();
        settle();
        ASSERT_TRUE(isFullScreen());

        plat::sdl::toggleFullscreen();
        EXPECT_FALSE(isFullScreen());
        EXPECT_TRUE(becomesSize(1280, 960));
        EXPECT_TRUE(SDL_GetWindowFlags(sdltest::window()) & SDL_WINDOW_RESIZABLE);
        int x = 0;
        int y = 0;
        SDL_GetWindowPosition(sdltest::window(), &x, &y);
        EXPECT_EQ(x, 320) << "centred on the desktop";
        EXPECT_EQ(y, 60);
        std::vector<uint32_t> shown;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
        EXPECT_EQ(width, 1280);
        EXPECT_EQ(height, 960);
        EXPECT_EQ(wrongPixels(shown, width, height, frame), 0);

        plat::sdl::toggleFullscreen();
        EXPECT_TRUE(isFullScreen());
        EXPECT_TRUE(becomesSize(1920, 1080));
        ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
        EXPECT_EQ(width, 1920);
        EXPECT_EQ(wrongPixels(shown, width, height, frame), 0);
        backend::displayClose();
    }
}

// Whatever size the window is given, the frame stays sharp on black, at a
// whole scale or smoothed, and the window never gets smaller than one frame.
TEST_F(SdlDisplay, AResizedWindowFollowsThePlacement) {
    for (bool throughRenderer : {false, true}) {
        SCOPED_TRACE(throughRenderer ? "through a renderer" : "into the window's framebuffer");
        sdltest::presentThroughRenderer(throughRenderer);
        ASSERT_TRUE(backend::displayOpen()) << SDL_GetError();
        const TestFrame frame;
        frame.present();
        plat::sdl::toggleFullscreen();
        ASSERT_TRUE(becomesSize(1280, 960));
        int minWidth = 0;
        int minHeight = 0;
        SDL_GetWindowMinimumSize(sdltest::window(), &minWidth, &minHeight);
        EXPECT_EQ(minWidth, W);
        EXPECT_EQ(minHeight, H);
        const struct {
            int width, height, wantWidth, wantHeight;
        } sizes[] = {{1501, 977, 1501, 977},
                     {700, 500, 700, 500},
                     {300, 200, 640, 480},
                     {1001, 777, 1001, 777}};
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
            SDL_SetWindowSize(sdltest::window(), size.width, size.height);
            ASSERT_TRUE(becomesSize(size.wantWidth, size.wantHeight));
            std::vector<uint32_t> shown;
            int width = 0;
            int height = 0;
            ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
            ASSERT_EQ(width, size.wantWidth);
            ASSERT_EQ(height, size.wantHeight);
            EXPECT_EQ(wrongPixels(shown, width, height, frame), 0);
        }
        backend::displayClose();
    }
}

// Each frame sends the window only what changed since the one before; what
// reaches the screen must still be the whole new frame.
TEST_F(SdlDisplay, FramesThatChangeInPlacesStillShowWhole) {
    ASSERT_TRUE(backend::displayOpen()) << SDL_GetError();
    ASSERT_TRUE(sdltest::drawsIntoWindowSurface());
    TestFrame frame;
    std::vector<uint32_t> shown;
    int width = 0;
    int height = 0;
    auto showsFrame = [&] {
        frame.present();
        return grabWindow(&shown, &width, &height) && wrongPixels(shown, width, height, frame) == 0;
    };
    ASSERT_TRUE(showsFrame());
    ASSERT_EQ(width, 1920);

    // Small areas far apart, the corners, one whole row, one tall column.
    for (int y = 5; y < 15; ++y) {
        for (int x = 300; x < 310; ++x) {
            frame.at(x, y) ^= 0x55;
        }
    }
    frame.at(0, 0) ^= 1;
    frame.at(W - 1, H - 1) ^= 1;
    for (int x = 0; x < W; ++x) {
        frame.at(x, 240) = 7;
    }
    for (int y = 100; y < 400; ++y) {
        frame.at(W - 2, y) ^= 0xF0;
    }
    EXPECT_TRUE(showsFrame()) << "scattered changes";

    // More separate runs of changed rows than are sent one by one.
    for (int y = 2; y < H; y += 11) {
        frame.at((y * 37) % W, y) ^= 0x0F;
    }
    EXPECT_TRUE(showsFrame()) << "many runs of rows";

    EXPECT_TRUE(showsFrame()) << "the same frame again";

    // A new palette recolours what did not change.
    for (plat::PaletteColour& colour : frame.palette) {
        std::swap(colour.red, colour.blue);
    }
    EXPECT_TRUE(showsFrame()) << "a new palette";
}

// The pause sign goes over the presented picture in its middle and leaves
// the frame whole once taken away; through both ways of presenting.
TEST_F(SdlDisplay, PauseSignOverThePictureOnly) {
    for (bool throughRenderer : {false, true}) {
        SCOPED_TRACE(throughRenderer ? "through a renderer" : "into the window's framebuffer");
        sdltest::presentThroughRenderer(throughRenderer);
        ASSERT_TRUE(backend::displayOpen()) << SDL_GetError();
        const TestFrame frame;
        frame.present();
        settle();
        std::vector<uint32_t> shown;
        int width = 0;
        int height = 0;
        plat::sdl::showPauseSign(true);
        ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
        // A light bar left of the middle a quarter of the way down; all
        // else of the frame as it was.
        const plat::PixelRect place = plat::placeFrame(width, height).place;
        EXPECT_EQ(shown[size_t(place.y + place.h / 4) * width + size_t(width / 2 - 16)] & 0xFFFFFF,
                  0xF0F0F0u);
        const int wrong = wrongPixels(shown, width, height, frame);
        EXPECT_GT(wrong, 0);
        EXPECT_LE(wrong, 96 * 96);
        plat::sdl::showPauseSign(false);
        ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
        EXPECT_EQ(wrongPixels(shown, width, height, frame), 0);
        backend::displayClose();
    }
}

TEST_F(SdlDisplay, NoReachableScreenFailsTheOpen) {
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", ":4093", 1);
    unsetenv("WAYLAND_DISPLAY");
    const bool opened = backend::displayOpen();
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_FALSE(opened) << "opened on " << SDL_GetCurrentVideoDriver();
    EXPECT_EQ(sdltest::window(), nullptr);
    EXPECT_TRUE(backend::displayOpen()) << "the real screen opens again";
}

TEST_F(SdlDisplay, CursorHiddenBeforeOpenStaysHidden) {
    backend::cursorShow(false);
    ASSERT_TRUE(backend::displayOpen());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    backend::cursorShow(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(SdlDisplay, ExposuresPostOnePaintToTheMainWindow) {
    ASSERT_TRUE(backend::displayOpen());
    settle();
    plat::windowSystemReset();
    ASSERT_TRUE(plat::windowClassRegister(
        "Quorvelindaxtor",
        [](plat::Window*, uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; }));
    plat::Window* window = plat::windowCreate("Quorvelindaxtor");
    ASSERT_NE(window, nullptr);

    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_EXPOSED;
    event.window.windowID = SDL_GetWindowID(sdltest::window());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    plat::Message message{};
    ASSERT_TRUE(plat::peekMessage(&message));
    EXPECT_EQ(message.window, window);
    EXPECT_EQ(message.id, uint32_t(plat::MessagePaint));
    EXPECT_FALSE(plat::peekMessage(&message));
}

} // namespace
