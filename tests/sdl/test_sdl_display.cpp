// The SDL display on a 1920x1080 virtual X screen: placement, scaling and
// palette of the presented frame, exposures, the cursor.
#include "platform/backend.h"
#include "platform/sdl/sdl_testing.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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

void checkDoubledFrame();

class SdlDisplay : public ::testing::Test {
  protected:
    void SetUp() override { unsetenv("QV_WINDOWED"); }
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
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);

    // Neighbouring pixels all differ and so do all palette entries, so any
    // blending or misplaced row shows; the flags byte must not show.
    std::vector<uint8_t> pixels(size_t(W) * H);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = uint8_t(i % W + 3 * (i / W));
    }
    plat::PaletteColour palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 4};
    }
    backend::displayPresent(pixels.data(), palette);
    settle();

    std::vector<uint32_t> shown;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(sdltest::readBackFrame(&shown, &width, &height)) << SDL_GetError();
    ASSERT_EQ(width, 1920) << "the display tests want a 1920x1080 X screen";
    ASSERT_EQ(height, 1080);
    // Twice 640x480 fits 1920x1080: 320 columns of border at each side,
    // 60 rows above and below.
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int fx = (x - 320) / 2;
            const int fy = (y - 60) / 2;
            uint32_t want = 0;
            if (x >= 320 && y >= 60 && fx < W && fy < H) {
                const plat::PaletteColour& c = palette[pixels[size_t(fy) * W + fx]];
                want = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
            }
            wrong += (shown[size_t(y) * width + x] & 0xFFFFFF) != want;
        }
    }
    EXPECT_EQ(wrong, 0);
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
    plat::Window* window = plat::windowCreate("Quorvelindaxtor", "Quorvelindaxtor");
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
